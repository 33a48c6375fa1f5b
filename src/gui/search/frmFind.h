#pragma once

#include <QDialog>
#include <array>

class QCheckBox;
class QGroupBox;
class QLabel;
class QLineEdit;
class QPushButton;
class QRadioButton;
struct SearchSettings;

// The modeless Find dialog. It gathers the search text, the letter-case option and the
// direction into the shared search settings and asks for a search; it searches nothing itself.
// It has no owner window, deletes itself when closed and leaves the settings behind.
class frmFind : public QDialog {
    Q_OBJECT
public:
    explicit frmFind(SearchSettings& settings);
    ~frmFind() override;

    QLabel* Label1 = nullptr;
    QLineEdit* Text1 = nullptr;
    QCheckBox* chkCase = nullptr;
    QGroupBox* Frame1 = nullptr;
    std::array<QRadioButton*, 2> optDirection{};  // 0: up, 1: down
    QPushButton* cmdFind = nullptr;
    QPushButton* cmdcancel = nullptr;

signals:
    // "Truove" was pressed: the search text is stored, the active document is to be searched.
    void searchRequested();

public slots:
    void cmdFind_Click();
    void cmdcancel_Click();

protected:
    void keyPressEvent(QKeyEvent* e) override;
    bool eventFilter(QObject* watched, QEvent* e) override;

private:
    void createControls();
    void Form_Load();
    void Text1_Change(const QString& text);
    void chkCase_Click(bool ticked);
    void optDirection_Click(int index);

    SearchSettings& m_settings;
};
