// SPDX-License-Identifier: Apache-2.0
#include "GuiTestSupport.h"

#include <QApplication>
#include <QEvent>
#include <QLabel>
#include <QMessageBox>
#include <QPushButton>
#include <cstdlib>
#include <filesystem>

#include "InformationDialogWidget.h"

namespace fs = std::filesystem;

namespace QuellmarkTest {

ModalCloser::ModalCloser()
{
    qApp->installEventFilter(this);
}

ModalCloser::~ModalCloser()
{
    if (qApp) qApp->removeEventFilter(this);
}

std::vector<std::string> ModalCloser::Texts() const
{
    std::vector<std::string> texts;
    for (const ShownBox& box : boxes) texts.push_back(box.kind + ": " + box.text);
    return texts;
}

bool ModalCloser::eventFilter(QObject* watched, QEvent* event)
{
    if (event->type() == QEvent::Show) {
        auto* dialog = qobject_cast<QDialog*>(watched);
        if (dialog && dialog->isWindow()) {
            QPointer<QDialog> box(dialog);
            QMetaObject::invokeMethod(
                this, [this, box] { Handle(box); }, Qt::QueuedConnection);
        }
    }
    return QObject::eventFilter(watched, event);
}

void ModalCloser::Handle(QPointer<QDialog> box)
{
    if (!box || !box->isVisible()) return;
    ShownBox shown;
    shown.caption = box->windowTitle().toStdString();
    if (auto* message = qobject_cast<QMessageBox*>(box.data())) {
        shown.kind = message->objectName() == QLatin1String("LastResortBox") ? "last-resort"
                     : message->objectName() == QLatin1String("QuestionBox") ? "question"
                                                                             : "error";
        shown.text = message->text().toStdString();
    } else if (box->objectName() == QLatin1String("CredentialsDialog")) {
        shown.kind = "credentials";
        if (auto* prompt = box->findChild<QLabel*>(QStringLiteral("prompt"))) shown.text = prompt->text().toStdString();
    } else if (auto* text = box->findChild<TMessageText*>()) {
        shown.kind = "information";
        shown.text = text->text().toStdString();
    } else {
        shown.kind = "other";
    }
    for (QWidget* window : QApplication::topLevelWidgets()) {
        if (window == box || !window->isVisible()) continue;
        ++shown.otherVisibleWindows;
        if (window->isEnabled()) ++shown.otherEnabledWindows;
    }
    boxes.push_back(shown);
    if (action) action(*box, shown);
    if (!pressOk || !box || !box->isVisible()) return;
    if (auto* message = qobject_cast<QMessageBox*>(box.data())) {
        // A question box has no OK: its default answer, Cancel.
        QAbstractButton* ok = message->button(QMessageBox::Ok);
        (ok ? ok : message->defaultButton())->click();
    } else if (auto* ok = box->findChild<QPushButton*>(QStringLiteral("OK"))) {
        ok->click();
    } else {
        box->reject();
    }
}

namespace {

void SaveTmpDir(std::string& saved, bool& hadSaved)
{
    if (const char* value = std::getenv("TMPDIR")) {
        saved = value;
        hadSaved = true;
    }
}

void RestoreTmpDir(const std::string& saved, bool hadSaved)
{
    if (hadSaved)
        ::setenv("TMPDIR", saved.c_str(), 1);
    else
        ::unsetenv("TMPDIR");
}

}  // namespace

ScopedTempDir::ScopedTempDir()
{
    char pattern[] = "/tmp/quellmark-gui-XXXXXX";
    if (!::mkdtemp(pattern)) throw std::runtime_error("mkdtemp failed");
    path_ = pattern;
    SaveTmpDir(saved_, hadSaved_);
    ::setenv("TMPDIR", path_.c_str(), 1);
}

ScopedTempDir::~ScopedTempDir()
{
    RestoreTmpDir(saved_, hadSaved_);
    std::error_code ignored;
    fs::remove_all(path_, ignored);
}

std::vector<std::string> ScopedTempDir::Files() const
{
    std::vector<std::string> names;
    for (const auto& entry : fs::directory_iterator(path_)) names.push_back(entry.path().filename().string());
    return names;
}

ScopedTmpDirValue::ScopedTmpDirValue(const std::string& value)
{
    SaveTmpDir(saved_, hadSaved_);
    ::setenv("TMPDIR", value.c_str(), 1);
}

ScopedTmpDirValue::~ScopedTmpDirValue()
{
    RestoreTmpDir(saved_, hadSaved_);
}

}  // namespace QuellmarkTest
