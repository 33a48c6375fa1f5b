#include <QFontDatabase>
#include <QMenu>
#include <QPlainTextEdit>
#include <QStyle>
#include <QTest>

#include "FrameFixture.h"
#include "core/platform/MenuText.h"
#include "gui/document/FontMenu.h"
#include "gui/document/frmNotePad.h"
#include "gui/platform/FormFont.h"
#include "gui/platform/GenericFont.h"
#include "gui/textbox/TextBox.h"

// The colours and the font of a document window's text box, chosen from its Options menu.
class tst_ColorsFont : public QObject {
    Q_OBJECT
private:
    struct Look {
        QColor back;
        QColor fore;
    };

    static Look lookOf(const frmNotePad* w) {
        const QPalette pal = w->Text1->palette();
        return {pal.color(QPalette::Base), pal.color(QPalette::Text)};
    }

    // The colours a text box has before anyone chooses any.
    static Look defaultLook() {
        QPlainTextEdit plain;
        return {plain.palette().color(QPalette::Base), plain.palette().color(QPalette::Text)};
    }

    // The same colour in every state of the box (active, inactive, disabled).
    static bool sameInEveryGroup(const frmNotePad* w, QPalette::ColorRole role) {
        const QPalette pal = w->Text1->palette();
        const QColor c = pal.color(QPalette::Active, role);
        return pal.color(QPalette::Inactive, role) == c && pal.color(QPalette::Disabled, role) == c;
    }

    // Opens the window's Options menu, which makes its submenus.
    static void openOptions(frmNotePad* w) { emit w->mnuOptions->aboutToShow(); }

    static QAction* item(frmNotePad* w, const QString& menu, int index) {
        openOptions(w);
        if (menu == QLatin1String("back")) return w->mnuBackColorItem.at(index);
        if (menu == QLatin1String("fore")) return w->mnuForeColorItem.at(index);
        if (menu == QLatin1String("blue")) return w->mnuBlueItem.at(index);
        if (menu == QLatin1String("darkblue")) return w->mnuDarkBlueItem.at(index);
        return nullptr;
    }

    static void checkDefaultFont(const QFont& font) {
        QCOMPARE(font.family(), QStringLiteral("MS Sans Serif"));
        QCOMPARE(font.pointSizeF(), 8.25);
        QVERIFY(font.bold());
        QCOMPARE(font.weight(), QFont::Bold);
        QVERIFY(!font.italic());
        QVERIFY(!font.underline());
        QVERIFY(!font.strikeOut());
        // Narrowed exactly when the face is missing and another one stands in for it.
        QCOMPARE(font.stretch() == QFont::SemiCondensed, QFontInfo(font).family() != font.family());
        // The face standing in for it is DejaVu Sans wherever that is installed, whatever other
        // faces the font configuration prefers for a sans-serif one.
        if (font.stretch() == QFont::SemiCondensed &&
            QFontDatabase::families().contains(QStringLiteral("DejaVu Sans")))
            QCOMPARE(QFontInfo(font).family(), QStringLiteral("DejaVu Sans"));
    }

    // Opens the window's font menu the way the user does, which lists the fonts.
    static void openFontMenu(frmNotePad* w) {
        openOptions(w);
        w->mnuFont->popup(QPoint(0, 0));
        w->mnuFont->hide();
    }

    static QStringList fontMenuNames(const frmNotePad* w) {
        QStringList names;
        for (const QAction* a : w->mnuFontName) names << MenuText::unescaped(a->text());
        return names;
    }

private slots:
    // As the program does before its first window.
    void initTestCase() { FormFont::prepare(); }

    void aNewWindowHasTheDefaultLook() {
        FrameFixture f;
        frmNotePad* w = f.active();
        checkDefaultFont(w->Text1->font());
        QCOMPARE(lookOf(w).back, defaultLook().back);
        QCOMPARE(lookOf(w).fore, defaultLook().fore);
        // Nothing in the colour menus is ticked.
        openOptions(w);
        for (QMenu* menu :
             {w->mnuSettingsItem, w->mnuColorsItem, w->mnuBlueMenu, w->mnuDarkBlueMenu, w->mnuFont})
            for (const QAction* a : menu->actions()) QVERIFY(!a->isChecked());
    }

    void theColourTable_data() {
        QTest::addColumn<QString>("menu");
        QTest::addColumn<int>("index");
        QTest::addColumn<QString>("caption");
        QTest::addColumn<bool>("background");
        QTest::addColumn<QColor>("colour");
        QTest::newRow("back Russe") << "back" << 0 << "Russe" << true << QColor(255, 0, 0);
        QTest::newRow("back Verdine") << "back" << 1 << "Verdine" << true << QColor(0, 255, 0);
        QTest::newRow("back Blu'") << "back" << 2 << "Blu'" << true << QColor(0, 0, 255);
        QTest::newRow("fore Russe") << "fore" << 0 << "Russe" << false << QColor(255, 0, 0);
        QTest::newRow("fore Verde") << "fore" << 1 << "Verde" << false << QColor(0, 255, 0);
        QTest::newRow("Blu' chiarine")
            << "blue" << 0 << "Blu' chiarine" << false << QColor(0, 150, 255);
        QTest::newRow("Blummare'") << "darkblue" << 0 << "Blummare'" << false << QColor(0, 50, 175);
        QTest::newRow("Mezanotte") << "darkblue" << 1 << "Mezanotte" << false << QColor(0, 0, 255);
    }

    void theColourTable() {
        QFETCH(QString, menu);
        QFETCH(int, index);
        QFETCH(QString, caption);
        QFETCH(bool, background);
        QFETCH(QColor, colour);
        FrameFixture f;
        frmNotePad* w = f.active();
        QAction* a = item(w, menu, index);
        QVERIFY(a);
        QCOMPARE(a->text(), caption);
        a->trigger();
        const Look look = lookOf(w);
        const QPalette::ColorRole role = background ? QPalette::Base : QPalette::Text;
        QCOMPARE(background ? look.back : look.fore, colour);
        QVERIFY(sameInEveryGroup(w, role));
        // The other colour stays as it was.
        QCOMPARE(background ? look.fore : look.back,
                 background ? defaultLook().fore : defaultLook().back);
        // Choosing a colour neither marks the text changed nor touches the font.
        QCOMPARE(w->documentState().Changed, DocumentState::False);
        checkDefaultFont(w->Text1->font());
        QVERIFY(!a->isChecked());
    }

    void backgroundAndTextColoursAreIndependent() {
        FrameFixture f;
        frmNotePad* w = f.active();
        openOptions(w);
        w->mnuBackColorItem[0]->trigger();
        w->mnuDarkBlueItem[1]->trigger();
        QCOMPARE(lookOf(w).back, QColor(255, 0, 0));
        QCOMPARE(lookOf(w).fore, QColor(0, 0, 255));
        w->mnuForeColorItem[1]->trigger();
        QCOMPARE(lookOf(w).back, QColor(255, 0, 0));
        QCOMPARE(lookOf(w).fore, QColor(0, 255, 0));
        // The same colour for both is allowed.
        w->mnuBackColorItem[1]->trigger();
        QCOMPARE(lookOf(w).back, QColor(0, 255, 0));
        QCOMPARE(lookOf(w).fore, QColor(0, 255, 0));
    }

    void submenuItemsAndUnknownIndexesChangeNothing() {
        FrameFixture f;
        frmNotePad* w = f.active();
        openOptions(w);
        w->mnuBackColorItem[2]->trigger();
        w->mnuBlueItem[0]->trigger();
        const Look before = lookOf(w);
        // "Blu'" and "Blu' 'o nniro" only open their submenus.
        QCOMPARE(w->mnuForeColorItem[2]->text(), QStringLiteral("Blu'"));
        QCOMPARE(w->mnuBlueItem[1]->text(), QStringLiteral("Blu' 'o nniro"));
        QVERIFY(w->mnuForeColorItem[2]->menu());
        QVERIFY(w->mnuBlueItem[1]->menu());
        w->mnuForeColorItem[2]->trigger();
        w->mnuBlueItem[1]->trigger();
        w->mnuForeColorItem_Click(2);
        w->mnuBlueItem_Click(1);
        for (int index : {-1, 3, 99, -32768, 32767}) {
            w->mnuBackColorItem_Click(index);
            w->mnuForeColorItem_Click(index);
            w->mnuBlueItem_Click(index);
            w->mnuDarkBlueItem_Click(index);
            w->mnuFontName_Click(index);
        }
        w->mnuBlueItem_Click(2);
        w->mnuDarkBlueItem_Click(2);
        QCOMPARE(lookOf(w).back, before.back);
        QCOMPARE(lookOf(w).fore, before.fore);
        checkDefaultFont(w->Text1->font());
    }

    void theFontMenuListsEveryFontInOrder() {
        FrameFixture f;
        frmNotePad* w = f.active();
        const QStringList families = QFontDatabase::families();
        QVERIFY(!families.isEmpty());
        openFontMenu(w);
        QCOMPARE(fontMenuNames(w), families);
        // The menu holds exactly the array's items, in the array's order.
        const QList<QAction*> shown = w->mnuFont->actions();
        QCOMPARE(std::size_t(shown.size()), w->mnuFontName.size());
        for (int i = 0; i < shown.size(); ++i) QCOMPARE(shown.at(i), w->mnuFontName.at(i));
        // However many there are, the menu scrolls instead of running off the screen.
        QVERIFY(w->mnuFont->style()->styleHint(QStyle::SH_Menu_Scrollable, nullptr, w->mnuFont));
        // Opening it again lists them once still.
        openFontMenu(w);
        QCOMPARE(fontMenuNames(w), families);
        QCOMPARE(w->mnuFont->actions().size(), families.size());

        // Every window lists the same names in the same order.
        f.frame().NewDocumentWindow();
        frmNotePad* other = f.active();
        QVERIFY(other != w);
        openFontMenu(other);
        QCOMPARE(fontMenuNames(other), families);
    }

    void choosingAFontKeepsSizeAndWeight_data() {
        QTest::addColumn<int>("which");  // -1: the last font
        QTest::newRow("first") << 0;
        QTest::newRow("second") << 1;
        QTest::newRow("middle") << -2;
        QTest::newRow("last") << -1;
    }

    void choosingAFontKeepsSizeAndWeight() {
        QFETCH(int, which);
        FrameFixture f;
        frmNotePad* w = f.active();
        openFontMenu(w);
        const QStringList families = QFontDatabase::families();
        const int last = int(w->mnuFontName.size()) - 1;
        const int index = which == -1 ? last : which == -2 ? last / 2 : qMin(which, last);
        w->mnuFontName.at(std::size_t(index))->trigger();
        const QFont font = w->Text1->font();
        QCOMPARE(font.family(), families.at(index));
        QCOMPARE(font.pointSizeF(), 8.25);
        // The chosen face shows as it is, whatever stood in for the window's own.
        QFont plain(families.at(index));
        plain.setPointSizeF(8.25);
        plain.setBold(true);
        plain.setStyleStrategy(QFont::PreferNoShaping);
        const QString sample = QStringLiteral("Cercamme: Grosse/piccerelle");
        QCOMPARE(QFontMetrics(font).horizontalAdvance(sample),
                 QFontMetrics(plain).horizontalAdvance(sample));
        QVERIFY(font.bold());
        QCOMPARE(font.weight(), QFont::Bold);
        QVERIFY(!font.italic());
        QVERIFY(!font.underline());
        QVERIFY(!font.strikeOut());
        QCOMPARE(lookOf(w).back, defaultLook().back);
        QCOMPARE(w->documentState().Changed, DocumentState::False);
    }

    void windowsDoNotShareTheirLook() {
        FrameFixture f;
        frmNotePad* first = f.active();
        f.frame().NewDocumentWindow();
        frmNotePad* second = f.active();
        openFontMenu(first);
        first->mnuBackColorItem[0]->trigger();
        first->mnuDarkBlueItem[0]->trigger();
        first->mnuFontName.back()->trigger();

        QCOMPARE(lookOf(second).back, defaultLook().back);
        QCOMPARE(lookOf(second).fore, defaultLook().fore);
        checkDefaultFont(second->Text1->font());

        openOptions(second);
        second->mnuBackColorItem[1]->trigger();
        QCOMPARE(lookOf(first).back, QColor(255, 0, 0));
        QCOMPARE(lookOf(first).fore, QColor(0, 50, 175));

        // A window opened afterwards, also one in a slot that was used before, starts afresh.
        first->close();
        FrameFixture::settle();
        f.frame().NewDocumentWindow();
        frmNotePad* third = f.active();
        QCOMPARE(third->Tag(), QStringLiteral("1"));
        QCOMPARE(lookOf(third).back, defaultLook().back);
        QCOMPARE(lookOf(third).fore, defaultLook().fore);
        checkDefaultFont(third->Text1->font());
        openOptions(third);
        QCOMPARE(third->mnuFontName.size(), std::size_t(1));
    }

    void captionsShowFontNamesAsWritten_data() {
        QTest::addColumn<QString>("family");
        QTest::addColumn<QString>("caption");
        QTest::newRow("plain") << "DejaVu Sans"
                               << "DejaVu Sans";
        QTest::newRow("ampersand") << "Tom & Jerry"
                                   << "Tom && Jerry";
        QTest::newRow("two ampersands") << "A&&B"
                                        << "A&&&&B";
        QTest::newRow("ampersand at the end") << "Fonts&"
                                              << "Fonts&&";
        QTest::newRow("foundry") << "Noto Sans [GOOG]"
                                 << "Noto Sans [GOOG]";
        QTest::newRow("empty") << ""
                               << "";
    }

    void captionsShowFontNamesAsWritten() {
        QFETCH(QString, family);
        QFETCH(QString, caption);
        QCOMPARE(MenuText::escaped(family), caption);
        QCOMPARE(MenuText::unescaped(caption), family);
        // A caption shows the name it stands for.
        QAction a(MenuText::escaped(family));
        QCOMPARE(MenuText::unescaped(a.text()), family);
    }

    void theFontMenuFollowsTheListItIsGiven_data() {
        QTest::addColumn<QStringList>("families");
        QTest::newRow("none") << QStringList{};
        QTest::newRow("one") << QStringList{"Solo"};
        QTest::newRow("three") << QStringList{"Alfa", "Be & Ce", "Delta"};
    }

    void theFontMenuFollowsTheListItIsGiven() {
        QFETCH(QStringList, families);
        QMenu menu;
        QObject context;
        std::vector<QAction*> items{menu.addAction(QStringLiteral("NomeCarattere"))};
        QList<int> chosen;
        auto record = [&chosen](int i) { chosen.append(i); };

        // A fuller list first, so that filling again has to take items away.
        FontMenu::fill(menu, items, {"X", "Y", "Z", "W"}, &context, record);
        QCOMPARE(items.size(), std::size_t(4));
        FontMenu::fill(menu, items, families, &context, record);

        if (families.isEmpty()) {
            QCOMPARE(items.size(), std::size_t(1));
            QVERIFY(!items[0]->isEnabled());
            QCOMPARE(menu.actions().size(), 1);
            return;
        }
        QCOMPARE(items.size(), std::size_t(families.size()));
        QCOMPARE(menu.actions().size(), families.size());
        for (int i = 0; i < families.size(); ++i) {
            QCOMPARE(menu.actions().at(i), items.at(i));
            QCOMPARE(MenuText::unescaped(items.at(i)->text()), families.at(i));
            QVERIFY(items.at(i)->isEnabled());
        }
        // Item 0 keeps its own handler; every other item reports its index.
        for (std::size_t i = 1; i < items.size(); ++i) items[i]->trigger();
        QList<int> expected;
        for (int i = 1; i < families.size(); ++i) expected.append(i);
        QCOMPARE(chosen, expected);
    }

    // Where the default font names the generic sans-serif family, it is given the name of the
    // face Qt draws that family with, and keeps its size.
    void theGenericDefaultFontIsNamedAfterItsFace() {
        const QFont generic = QApplication::font();
        if (generic.family() != QLatin1String("Sans Serif"))
            QSKIP("the platform gives a default font of its own");
        const QString face = QFontInfo(generic).family();
        GenericFont::resolve();
        const QFont resolved = QApplication::font();
        QApplication::setFont(generic);
        QCOMPARE(resolved.family(), face);
        QCOMPARE(resolved.pointSizeF(), generic.pointSizeF());
    }
};

QTEST_MAIN(tst_ColorsFont)
#include "tst_colorsfont.moc"
