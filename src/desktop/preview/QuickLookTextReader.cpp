#include "desktop/preview/QuickLookTextReader.h"

#include <QIODevice>
#include <QStringDecoder>

#include <algorithm>

namespace mv::quicklook {

void readText(QuickLookPreview& preview, QIODevice* device, const QuickLookPreviewLimits& limits)
{
    const qint64 limit = std::max<qint64>(limits.textByteLimit, 1);
    // One byte more than is shown tells whether there is more.
    QByteArray bytes = device->read(limit + 1);
    const bool truncated = bytes.size() > limit;
    if (truncated)
        bytes.truncate(limit);
    // A NUL never occurs in text: this is a binary file with a text extension.
    if (bytes.contains('\0'))
        return;
    // When cut short, a character split at the cut stays in the decoder instead of showing as
    // a replacement character; otherwise an incomplete last sequence is invalid and shows.
    QStringDecoder decoder(QStringDecoder::Utf8,
                           truncated ? QStringDecoder::Flag::Default : QStringDecoder::Flag::Stateless);
    QString text = decoder.decode(bytes);
    text.replace(QStringLiteral("\r\n"), QStringLiteral("\n"));
    text.replace(u'\r', u'\n');
    preview.text = std::move(text);
    preview.isTextTruncated = truncated;
    preview.kind = QuickLookPreview::Kind::text;
}

} // namespace mv::quicklook
