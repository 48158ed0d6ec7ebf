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

} // namespace vexrem
