// SPDX-License-Identifier: Apache-2.0
#include "PrinterStatusDialog.h"

#include <QDialogButtonBox>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QThread>
#include <QVBoxLayout>
#include <memory>

#include "Messages.h"
#include "PrinterStatusText.h"

TPrinterStatusDialog::TPrinterStatusDialog(const std::string& printer, QWidget* parent)
    : QDialog(parent), text_(new QPlainTextEdit(this))
{
    setObjectName(QStringLiteral("PrinterStatusDialog"));
    setWindowTitle(QString::fromStdString(Messages::ApplicationTitle()));
    setWindowFlags(windowFlags() & ~Qt::WindowContextHelpButtonHint);

    text_->setObjectName(QStringLiteral("StatusText"));
    text_->setAccessibleName(QStringLiteral("Printer status"));
    text_->setReadOnly(true);
    text_->setTextInteractionFlags(Qt::TextSelectableByMouse | Qt::TextSelectableByKeyboard);
    text_->setLineWrapMode(QPlainTextEdit::NoWrap);

    auto* buttons = new QDialogButtonBox(QDialogButtonBox::Close, this);
    QPushButton* close = buttons->button(QDialogButtonBox::Close);
    close->setObjectName(QStringLiteral("Close"));
    close->setDefault(true);
    // The caret stays out of the text until the user tabs into it.
    close->setFocus();
    connect(buttons, &QDialogButtonBox::rejected, this, &QDialog::reject);

    auto* layout = new QVBoxLayout(this);
    layout->addWidget(text_);
    layout->addWidget(buttons);
    resize(480, 360);

    Ask(printer);
}

void TPrinterStatusDialog::Ask(const std::string& printer)
{
    text_->setPlainText(QString::fromStdString(AppCore::AskingPrinterText(printer)));
    setCursor(Qt::BusyCursor);
    text_->viewport()->setCursor(Qt::BusyCursor);

    // The worker only fills its own result; the dialog reads it in the GUI
    // thread when the thread has finished, and only while the dialog exists
    // (the connection goes with it).
    auto result = std::make_shared<AppCore::TPrinterStatusText>();
    QThread* worker = QThread::create([printer, result] { *result = AppCore::AskPrinterStatusText(printer); });
    connect(worker, &QThread::finished, this, [this, result] { ShowText(result->text); });
    connect(worker, &QThread::finished, worker, &QObject::deleteLater);
    worker->start();
}

void TPrinterStatusDialog::ShowText(const std::string& text)
{
    text_->setPlainText(QString::fromStdString(text));
    unsetCursor();
    text_->viewport()->setCursor(Qt::IBeamCursor);
    answered_ = true;
}
