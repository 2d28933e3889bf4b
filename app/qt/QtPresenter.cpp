// SPDX-License-Identifier: Apache-2.0
#include "QtPresenter.h"

#include <QApplication>
#include <QMessageBox>
#include <QPointer>
#include <QPushButton>
#include <QScreen>
#include <QWidget>
#include <vector>

#include "InformationDialog.h"
#include "InformationDialogWidget.h"
#include "Messages.h"
#include "OsUtils.h"

namespace {

// What a modal box changes around itself, undone in reverse when it closes:
// mouse capture released, the other visible windows disabled, then the
// previously active window and focused control restored.
class ModalScope {
public:
    ModalScope() : active_(QApplication::activeWindow()), focus_(QApplication::focusWidget())
    {
        if (QWidget* popup = QApplication::activePopupWidget()) popup->close();
        if (QWidget* grabber = QWidget::mouseGrabber()) grabber->releaseMouse();
        for (QWidget* window : QApplication::topLevelWidgets()) {
            if (window->isWindow() && window->isVisible() && window->isEnabled()) {
                window->setEnabled(false);
                disabled_.emplace_back(window);
            }
        }
    }
    ModalScope(const ModalScope&) = delete;
    ModalScope& operator=(const ModalScope&) = delete;
    ~ModalScope()
    {
        for (auto it = disabled_.rbegin(); it != disabled_.rend(); ++it)
            if (*it) (*it)->setEnabled(true);
        if (active_) active_->activateWindow();
        if (focus_) focus_->setFocus();
    }

private:
    QPointer<QWidget> active_;
    QPointer<QWidget> focus_;
    std::vector<QPointer<QWidget>> disabled_;
};

// The arrow cursor while an information dialog is up.
class ArrowCursor {
public:
    ArrowCursor() { QApplication::setOverrideCursor(Qt::ArrowCursor); }
    ArrowCursor(const ArrowCursor&) = delete;
    ArrowCursor& operator=(const ArrowCursor&) = delete;
    ~ArrowCursor() { QApplication::restoreOverrideCursor(); }
};

// A message box centred on a chosen screen once its size is known.
class TCentredBox : public QMessageBox {
public:
    TCentredBox(QMessageBox::Icon icon, const QString& caption, const QString& text, QScreen* screen)
        : QMessageBox(icon, caption, text, QMessageBox::NoButton), screen_(screen)
    {
        // The text may hold printer names and paths: never read it as markup.
        setTextFormat(Qt::PlainText);
    }

protected:
    void showEvent(QShowEvent* event) override
    {
        QMessageBox::showEvent(event);
        if (!screen_) return;
        const QRect area = screen_->availableGeometry();
        const QSize outer = frameGeometry().size();
        move(area.x() + (area.width() - outer.width()) / 2, area.y() + (area.height() - outer.height()) / 2);
    }

private:
    QPointer<QScreen> screen_;
};

}  // namespace

void TQtPresenter::ShowInformation(const std::string& text)
{
    TInformationDialog dialog(Messages::ApplicationTitle(), text, *this);
    dialog.setObjectName(QStringLiteral("InformationDialog"));
    ModalScope modal;
    ArrowCursor cursor;
    dialog.exec();
}

void TQtPresenter::ReportError(const SysUtils::Exception& error)
{
    if (QWidget* grabber = QWidget::mouseGrabber()) grabber->releaseMouse();
    const std::optional<std::string> text = AppCore::ErrorBoxText(error);
    if (!text) return;
    TCentredBox box(QMessageBox::Critical, QString::fromStdString(Messages::ApplicationTitle()), DisplayText(*text),
                    ScreenForDialogs());
    box.setObjectName(QStringLiteral("ErrorBox"));
    box.setStandardButtons(QMessageBox::Ok);
    ModalScope modal;
    box.exec();
}

bool TQtPresenter::AskSendAnyway(const std::string& question)
{
    if (QWidget* grabber = QWidget::mouseGrabber()) grabber->releaseMouse();
    TCentredBox box(QMessageBox::Warning, QString::fromStdString(Messages::ApplicationTitle()), DisplayText(question),
                    ScreenForDialogs());
    box.setObjectName(QStringLiteral("QuestionBox"));
    QPushButton* send = box.addButton(QString::fromLatin1(Messages::kSendAnyway), QMessageBox::AcceptRole);
    QPushButton* cancel = box.addButton(QMessageBox::Cancel);
    box.setDefaultButton(cancel);
    box.setEscapeButton(cancel);
    ModalScope modal;
    box.exec();
    return box.clickedButton() == send;
}

void ShowLastResortBox(const char* className, const void* address, const std::string& message)
{
    const std::string path = OsUtils::ExecutablePath();
    const auto slash = path.find_last_of(OsUtils::kPathSeparators);
    const std::string module = slash == std::string::npos ? path : path.substr(slash + 1);
    QMessageBox box(QMessageBox::Critical, QStringLiteral("Application Error"),
                    DisplayText(Messages::LastResortText(className, module, address, message)), QMessageBox::Ok);
    box.setTextFormat(Qt::PlainText);
    box.setObjectName(QStringLiteral("LastResortBox"));
    box.setWindowModality(Qt::ApplicationModal);
    box.exec();
}
