// SPDX-License-Identifier: Apache-2.0
#include "CredentialsDialog.h"

#include <QApplication>
#include <QDialog>
#include <QDialogButtonBox>
#include <QFormLayout>
#include <QLabel>
#include <QLineEdit>
#include <QVBoxLayout>

#include "Messages.h"

bool AskPrintServerCredentials(const std::string& server, std::string& user, std::string& password)
{
    QDialog dialog(QApplication::activeWindow());
    dialog.setObjectName(QStringLiteral("CredentialsDialog"));
    dialog.setWindowTitle(QString::fromStdString(Messages::ApplicationTitle()));
    dialog.setWindowFlags(Qt::Dialog | Qt::CustomizeWindowHint | Qt::WindowTitleHint | Qt::WindowCloseButtonHint |
                          Qt::MSWindowsFixedSizeDialogHint);
    dialog.setModal(true);

    auto* prompt = new QLabel(
        QStringLiteral("The print server %1 asks for a user name and password.").arg(QString::fromStdString(server)),
        &dialog);
    prompt->setObjectName(QStringLiteral("prompt"));
    auto* userEdit = new QLineEdit(QString::fromStdString(user), &dialog);
    userEdit->setObjectName(QStringLiteral("user"));
    auto* passwordEdit = new QLineEdit(&dialog);
    passwordEdit->setObjectName(QStringLiteral("password"));
    passwordEdit->setEchoMode(QLineEdit::Password);
    auto* buttons = new QDialogButtonBox(QDialogButtonBox::Ok | QDialogButtonBox::Cancel, &dialog);
    QObject::connect(buttons, &QDialogButtonBox::accepted, &dialog, &QDialog::accept);
    QObject::connect(buttons, &QDialogButtonBox::rejected, &dialog, &QDialog::reject);

    auto* fields = new QFormLayout;
    fields->addRow(QStringLiteral("&User name:"), userEdit);
    fields->addRow(QStringLiteral("&Password:"), passwordEdit);
    auto* layout = new QVBoxLayout(&dialog);
    layout->addWidget(prompt);
    layout->addLayout(fields);
    layout->addWidget(buttons);
    layout->setSizeConstraint(QLayout::SetFixedSize);
    (user.empty() ? userEdit : passwordEdit)->setFocus();

    if (dialog.exec() != QDialog::Accepted) return false;
    user = userEdit->text().toStdString();
    password = passwordEdit->text().toStdString();
    return true;
}
