// SPDX-License-Identifier: Apache-2.0
// The Printer Status dialog: the printer asked on a worker thread while the
// dialog shows that it asks; the record's lines, or why it could not be
// asked, in a read-only text view once the answer comes.
#pragma once

#include <QDialog>
#include <string>

class QPlainTextEdit;

class TPrinterStatusDialog : public QDialog {
    Q_OBJECT

public:
    // Starts asking printer at once; closing the dialog stops the wait, and
    // an answer that comes after it has gone is dropped.
    TPrinterStatusDialog(const std::string& printer, QWidget* parent);

    // True once the answer (or why there is none) is shown.
    bool Answered() const { return answered_; }

private:
    void Ask(const std::string& printer);
    void ShowText(const std::string& text);

    QPlainTextEdit* text_;
    bool answered_ = false;
};
