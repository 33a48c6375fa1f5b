#include "core/text/ClipboardText.h"

#include <QMimeData>

#include "core/files/Utf8.h"

const QString ClipboardText::kExactType = QStringLiteral("application/x-tavulella-text");

QMimeData* ClipboardText::toMime(QStringView chars) {
    auto* data = new QMimeData;
    data->setText(plainText(chars));
    data->setData(kExactType, Utf8::encode(chars));
    return data;
}

QString ClipboardText::fromMime(const QMimeData& data, const DocumentFormat& format) {
    if (data.hasFormat(kExactType)) {
        // Written by toMime, so valid UTF-8; anything else on it is taken as plain text.
        if (const std::optional<QString> exact = Utf8::decode(data.data(kExactType)))
            return format.holdable(*exact);
    }
    return format.fromForeign(data.text());
}

bool ClipboardText::hasText(const QMimeData& data) {
    return data.hasText() || data.hasFormat(kExactType);
}

QString ClipboardText::plainText(QStringView chars) {
    QString out = chars.toString();
    out.replace(QStringLiteral("\r\n"), QStringLiteral("\n"));
    return out;
}
