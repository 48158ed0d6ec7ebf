#include "ui/SystemUiFont.h"

#include <QFont>
#include <QFontInfo>
#include <QLabel>
#include <QWidget>

namespace vexrem {

namespace {

bool IsFamily(const QString& family, const QString& name) {
    return family.compare(name, Qt::CaseInsensitive) == 0;
}

} // namespace

void UseSystemUiFont(QWidget& form) {
    const QString segoe = QStringLiteral("Segoe UI");
    QFont font = form.font();
    if (IsFamily(font.family(), segoe)) {
        return;
    }
    font.setFamily(segoe);
    font.setPointSizeF(font.pointSizeF() + 1);
    // A font asked for is always "set"; what counts is the one drawn.
    if (!IsFamily(QFontInfo(font).family(), segoe)) {
        font.setFamily(QStringLiteral("Tahoma"));
    }
    form.setFont(font);
}

void FollowUiFont(const QWidget& like, std::initializer_list<QLabel*> labels, QLabel* title) {
    const QFont base = like.font();
    for (QLabel* l : labels) {
        QFont f = l->font();
        f.setFamilies(base.families());
        f.setPointSizeF(base.pointSizeF());
        l->setFont(f);
    }
    QFont f = title->font();
    f.setFamilies(base.families());
    title->setFont(f);
}

} // namespace vexrem
