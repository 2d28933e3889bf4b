// SPDX-License-Identifier: Apache-2.0
// The information dialog: the message, one "OK" button, laid out by the
// toolkit-neutral maths in the dialog's font; Ctrl+C copies its text.
#pragma once

#include <QDialog>
#include <QPointer>
#include <QScreen>
#include <QWidget>

#include "Presenter.h"

// The message, drawn with the same wrapping that measured it.
class TMessageText : public QWidget {
    Q_OBJECT
    Q_PROPERTY(QString text READ text)

public:
    TMessageText(const QString& text, QWidget* parent);
    const QString& text() const { return text_; }

    // Flags used both to measure and to draw the message.
    static constexpr int kFlags = Qt::AlignLeft | Qt::AlignTop | Qt::TextWordWrap | Qt::TextExpandTabs;

protected:
    void paintEvent(QPaintEvent* event) override;

private:
    QString text_;
};

class TInformationDialog : public QDialog {
    Q_OBJECT

public:
    // errors receives an exception raised while the dialog handles a key.
    TInformationDialog(const std::string& caption, const std::string& message, AppCore::IPresenter& errors,
                       QWidget* parent = nullptr);

    // Beeps and puts the copy text on the clipboard; raises "Cannot open
    // clipboard" when the clipboard does not take it.
    void CopyToClipboard();

protected:
    void showEvent(QShowEvent* event) override;
    void keyPressEvent(QKeyEvent* event) override;

private:
    std::string caption_;
    std::string message_;
    AppCore::IPresenter& errors_;
    QPointer<QScreen> screen_;
};

// Converts the program's CR LF text for display.
QString DisplayText(const std::string& text);

// The screen both boxes come up on: the active window's, else the primary one.
QScreen* ScreenForDialogs();
