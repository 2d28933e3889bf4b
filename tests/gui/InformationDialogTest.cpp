// SPDX-License-Identifier: Apache-2.0
// The information dialog as the user meets it: geometry from its font,
// placement, keys, modality and the text Ctrl+C copies.
#include <gtest/gtest.h>

#include <QAccessible>
#include <QApplication>
#include <QClipboard>
#include <QPushButton>
#include <QScreen>
#include <QTest>
#include <cmath>
#include <iterator>

#include "GuiTestSupport.h"
#include "InformationDialogWidget.h"
#include "Messages.h"
#include "QtPresenter.h"

namespace QuellmarkTest {
TQtPresenter& Presenter();
}

using namespace QuellmarkTest;

namespace {

int Nearest(double value)
{
    return static_cast<int>(std::lround(value));
}

struct Measured {
    QRect text;
    QRect button;
    QSize client;
    QPoint position;
    QSize frame;
    bool fixed = false;
    Qt::WindowFlags flags;
    QFont font;
    bool arrowCursor = false;
    bool isDefault = false;
};

Measured ShowAndMeasure(const std::string& text)
{
    ModalCloser closer;
    Measured m;
    closer.action = [&m](QDialog& dialog, const ShownBox&) {
        m.text = dialog.findChild<TMessageText*>()->geometry();
        auto* ok = dialog.findChild<QPushButton*>(QStringLiteral("OK"));
        m.button = ok->geometry();
        m.isDefault = ok->isDefault();
        m.client = dialog.size();
        m.position = dialog.frameGeometry().topLeft();
        m.frame = dialog.frameGeometry().size();
        m.fixed = dialog.minimumSize() == dialog.maximumSize();
        m.flags = dialog.windowFlags();
        m.font = dialog.font();
        m.arrowCursor = QApplication::overrideCursor() && QApplication::overrideCursor()->shape() == Qt::ArrowCursor;
    };
    Presenter().ShowInformation(text);
    EXPECT_EQ(closer.boxes.size(), 1u);
    return m;
}

TEST(InformationDialog, IsLaidOutFromItsFontsDialogUnits)
{
    const Measured m = ShowAndMeasure(Messages::kStatusPageSent);
    EXPECT_EQ(m.font, QApplication::font("QMessageBox"));
    const QFontMetrics fm(m.font);
    const int w = fm.horizontalAdvance(QStringLiteral("ABCDEFGHIJKLMNOPQRSTUVWXYZabcdefghijklmnopqrstuvwxyz")) / 52;
    const int h = fm.height();
    const int horzMargin = Nearest(8.0 * w / 4);
    const int vertMargin = Nearest(8.0 * h / 8);
    const int textWidth = fm.horizontalAdvance(QString::fromLatin1(Messages::kStatusPageSent));

    EXPECT_EQ(m.text.topLeft(), QPoint(horzMargin, vertMargin));
    EXPECT_NEAR(m.text.width(), textWidth, 1);
    EXPECT_EQ(m.text.height(), h);
    EXPECT_EQ(m.button.width(), std::max(Nearest(50.0 * w / 4), fm.horizontalAdvance(QStringLiteral("OK")) + 8));
    EXPECT_EQ(m.button.height(), Nearest(14.0 * h / 8));
    EXPECT_EQ(m.button.top(), vertMargin + h + Nearest(10.0 * h / 8));
    EXPECT_EQ(m.client.width(), std::max(m.text.width(), m.button.width()) + 2 * horzMargin);
    EXPECT_EQ(m.client.height(), h + Nearest(10.0 * h / 8) + m.button.height() + 2 * vertMargin);
    EXPECT_EQ(m.button.left(), (m.client.width() - m.button.width()) / 2);

    const QRect screen = QGuiApplication::primaryScreen()->geometry();
    EXPECT_EQ(m.position, QPoint((screen.width() - m.frame.width()) / 2, (screen.height() - m.frame.height()) / 2));
    EXPECT_TRUE(m.fixed);
    EXPECT_TRUE(m.flags & Qt::WindowCloseButtonHint);
    EXPECT_FALSE(m.flags & (Qt::WindowMinMaxButtonsHint | Qt::WindowContextHelpButtonHint));
    EXPECT_TRUE(m.arrowCursor);
    EXPECT_EQ(QApplication::overrideCursor(), nullptr);
    EXPECT_TRUE(m.isDefault);
}

TEST(InformationDialog, BreaksAtCrLfAndWrapsLongTextAtHalfTheScreen)
{
    const QFontMetrics fm(QApplication::font("QMessageBox"));
    const Measured twoLines = ShowAndMeasure(Messages::kMinimalPageNotice);
    EXPECT_GE(twoLines.text.height(), 2 * fm.height());
    EXPECT_LT(twoLines.text.height(), 3 * fm.height());

    std::string words;
    for (int i = 0; i < 80; ++i) words += "status ";
    const Measured wrapped = ShowAndMeasure(words);
    const int half = QGuiApplication::primaryScreen()->geometry().width() / 2;
    EXPECT_LE(wrapped.text.width(), half);
    EXPECT_GT(wrapped.text.width(), half - fm.horizontalAdvance(QStringLiteral("status ")) - 1);
    EXPECT_GE(wrapped.text.height(), 2 * fm.height());
}

TEST(InformationDialog, EnterEscAndOkCloseItAndOtherWindowsWaitMeanwhile)
{
    QWidget other;
    other.show();
    ModalCloser closer;
    closer.pressOk = false;
    const Qt::Key keys[] = {Qt::Key_Return, Qt::Key_Escape};
    std::size_t shown = 0;
    closer.action = [&](QDialog& dialog, const ShownBox&) {
        const std::size_t n = shown++;
        if (n < std::size(keys))
            QTest::keyClick(QApplication::focusWidget() ? QApplication::focusWidget() : &dialog, keys[n]);
        // A key that leaves the dialog open fails here instead of waiting forever.
        if (dialog.isVisible()) {
            ADD_FAILURE() << "dialog " << n << " is still open";
            dialog.reject();
        }
    };
    Presenter().ShowInformation("first");
    Presenter().ShowInformation("second");
    ASSERT_EQ(closer.boxes.size(), 2u);
    for (const ShownBox& box : closer.boxes) {
        EXPECT_EQ(box.caption, Messages::ApplicationTitle());
        EXPECT_EQ(box.otherVisibleWindows, 1);
        EXPECT_EQ(box.otherEnabledWindows, 0);
    }
    EXPECT_TRUE(other.isEnabled());
}

TEST(InformationDialog, ItsTextIsReadableThroughAccessibility)
{
    ModalCloser closer;
    QString name;
    QAccessible::Role role = QAccessible::NoRole;
    closer.action = [&](QDialog& dialog, const ShownBox&) {
        QAccessibleInterface* text = QAccessible::queryAccessibleInterface(dialog.findChild<TMessageText*>());
        if (!text) return;
        name = text->text(QAccessible::Name);
        role = text->role();
    };
    Presenter().ShowInformation(Messages::kMinimalPageNotice);
    EXPECT_EQ(name, DisplayText(Messages::kMinimalPageNotice));
    EXPECT_EQ(role, QAccessible::StaticText);
}

TEST(InformationDialog, CtrlCCopiesTheFramedTextOnlyWithoutOtherModifiers)
{
    QGuiApplication::clipboard()->setText(QStringLiteral("before"));
    ModalCloser closer;
    QString afterShift;
    closer.action = [&](QDialog& dialog, const ShownBox&) {
        QWidget* focus = QApplication::focusWidget() ? QApplication::focusWidget() : &dialog;
        QTest::keyClick(focus, Qt::Key_C, Qt::ControlModifier | Qt::ShiftModifier);
        afterShift = QGuiApplication::clipboard()->text();
        QTest::keyClick(focus, Qt::Key_C, Qt::ControlModifier);
    };
    Presenter().ShowInformation(Messages::kMinimalPageNotice);
    EXPECT_EQ(afterShift, "before");
    const std::string divider = "---------------------------\r\n";
    const std::string expected = divider + Messages::ApplicationTitle() + "\r\n" + divider +
                                 Messages::kMinimalPageNotice + "\r\n" + divider + "OK   \r\n" + divider;
    EXPECT_EQ(QGuiApplication::clipboard()->text().toStdString(), expected);
    EXPECT_EQ(closer.boxes.size(), 1u);
}

}  // namespace
