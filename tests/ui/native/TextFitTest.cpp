// Texts in the fonts the program draws with: the system UI font the windows
// take, and every text of the settings window shown whole, page by page.
#include "ui/MainWinFixture.h"
#include "ui/SystemUiFont.h"

#include <QAbstractButton>
#include <QApplication>
#include <QFontInfo>
#include <QLabel>
#include <QTabWidget>

namespace vexrem::test {
namespace {

bool Draws(const QFont& font, const char* family) {
    return QFontInfo(font).family().compare(QLatin1String(family), Qt::CaseInsensitive) == 0;
}

TEST(SystemUiFont, SegoeUiOnePointLargerOrTahomaWhereTheSystemLacksIt) {
    QWidget form;
    QFont old(QStringLiteral("MS Sans Serif"));
    old.setPointSizeF(8);
    form.setFont(old);
    UseSystemUiFont(form);
    const bool hasSegoe = Draws(QFont(QStringLiteral("Segoe UI")), "Segoe UI");
    EXPECT_EQ(form.font().family(), hasSegoe ? "Segoe UI" : "Tahoma");
    EXPECT_EQ(form.font().pointSizeF(), 9);

    QWidget already;
    QFont segoe(QStringLiteral("segoe ui"));
    segoe.setPointSizeF(8);
    already.setFont(segoe);
    UseSystemUiFont(already);
    EXPECT_EQ(already.font().family(), "segoe ui");
    EXPECT_EQ(already.font().pointSizeF(), 8);
}

class TextFitTest : public MainWinTest {
protected:
    void StartShown() {
        StoreSettings("Active=0\n");
        Start();
        win->ShowSettingsWindow();
        ASSERT_TRUE(WaitUntil([this] { return win->isVisible(); }));
    }
};

TEST_F(TextFitTest, WindowsOfTheNewerSystemsDrawTheirUiFont) {
    if (!Platform().IsVistaOrLater()) {
        GTEST_SKIP() << "the system's own font stays";
    }
    StartShown();
    const QFont font = win->font();
    EXPECT_TRUE(Draws(font, "Segoe UI") || Draws(font, "Tahoma"))
        << QFontInfo(font).family().toStdString();
    // Labels with a font of their own follow it, the title in name only.
    TMainWinUi& ui = win->Ui();
    for (const QLabel* label : {ui.labColorDepth, ui.labBalloonReg, ui.labLinkPim, ui.labUpdLink}) {
        EXPECT_EQ(QFontInfo(label->font()).family(), QFontInfo(font).family());
        EXPECT_EQ(label->font().pointSizeF(), ui.cbShowBalloon->font().pointSizeF());
    }
    EXPECT_EQ(QFontInfo(ui.labProgName->font()).family(), QFontInfo(font).family());
    EXPECT_GT(ui.labProgName->font().pointSizeF(), font.pointSizeF());
}

TEST_F(TextFitTest, EveryTextOnEveryPageIsShownWhole) {
    StartShown();
    TMainWinUi& ui = win->Ui();
    for (int page = 0; page < ui.XPPageControl->count(); ++page) {
        ui.XPPageControl->setCurrentIndex(page);
        QApplication::processEvents();
        QWidget* tab = ui.XPPageControl->widget(page);
        SCOPED_TRACE(tab->objectName().toStdString());
        int checked = 0;
        for (const QLabel* label : tab->findChildren<QLabel*>()) {
            if (!label->isVisibleTo(win.get()) || label->text().isEmpty()) {
                continue;
            }
            SCOPED_TRACE(label->objectName().toStdString());
            if (label->wordWrap()) {
                EXPECT_LE(label->heightForWidth(label->width()), label->height());
            } else {
                EXPECT_LE(label->sizeHint().width(), label->width());
                EXPECT_LE(label->sizeHint().height(), label->height());
            }
            ++checked;
        }
        for (const QAbstractButton* button : tab->findChildren<QAbstractButton*>()) {
            if (!button->isVisibleTo(win.get()) || button->text().isEmpty()) {
                continue;
            }
            SCOPED_TRACE(button->objectName().toStdString());
            EXPECT_LE(button->sizeHint().width(), button->width());
            ++checked;
        }
        EXPECT_GT(checked, 0);
    }
}

} // namespace
} // namespace vexrem::test
