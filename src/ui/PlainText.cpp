#include "ui/PlainText.h"

#include <QTextDocument>

namespace vexrem {

QString ShownLiterally(const QString& text) {
    if (!Qt::mightBeRichText(text)) {
        return text;
    }
    // pre-wrap keeps runs of blanks and the line breaks of the original.
    return QStringLiteral("<p style=\"white-space:pre-wrap\">") + text.toHtmlEscaped() +
           QStringLiteral("</p>");
}

QString WholeTextHint(const QString& text) {
    // About half the width of a hint that Qt wraps.
    constexpr int kLongestRun = 40;
    QString out;
    out.reserve(text.size() + text.size() / kLongestRun);
    int run = 0;
    for (const QChar c : text) {
        run = c.isSpace() ? 0 : run + 1;
        if (run > kLongestRun) {
            out += QChar(0x200B);
            run = 1;
        }
        out += c;
    }
    return ShownLiterally(out);
}

QString NeutralizeBidi(const QString& text) {
    QString out = text;
    for (QChar& c : out) {
        const char16_t u = c.unicode();
        if (u == 0x061C || u == 0x200E || u == 0x200F || (u >= 0x202A && u <= 0x202E) ||
            (u >= 0x2066 && u <= 0x2069)) {
            c = QChar::ReplacementCharacter;
        }
    }
    return out;
}

} // namespace vexrem
