// SPDX-License-Identifier: Apache-2.0
#include "InformationDialogWidget.h"

#include <QAccessibleWidget>
#include <QApplication>
#include <QClipboard>
#include <QPainter>
#include <QPushButton>
#include <QScreen>
#include <QKeyEvent>

#include "InformationDialog.h"
#include "SysUtils.h"

namespace {

AppCore::TRect ToRect(const QRect& r)
{
    return {r.x(), r.y(), r.width(), r.height()};
}

QRect ToQRect(const AppCore::TRect& r)
{
    return {r.left, r.top, r.width, r.height};
}

// What assistive technology reads of the painted message: static text whose
// name and value are the message.
class TMessageTextAccessible : public QAccessibleWidget {
public:
    explicit TMessageTextAccessible(TMessageText* text) : QAccessibleWidget(text, QAccessible::StaticText) {}
    QString text(QAccessible::Text kind) const override
    {
        if (kind == QAccessible::Name || kind == QAccessible::Value)
            return static_cast<const TMessageText*>(widget())->text();
        return QAccessibleWidget::text(kind);
    }
};

QAccessibleInterface* MessageTextAccessibleFactory(const QString& className, QObject* object)
{
    if (className != QLatin1String(TMessageText::staticMetaObject.className())) return nullptr;
    auto* text = qobject_cast<TMessageText*>(object);
    return text ? new TMessageTextAccessible(text) : nullptr;
}

}  // namespace

QScreen* ScreenForDialogs()
{
    if (QWidget* active = QApplication::activeWindow()) return active->screen();
    return QGuiApplication::primaryScreen();
}

QString DisplayText(const std::string& text)
{
    QString display = QString::fromStdString(text);
    display.replace(QStringLiteral("\r\n"), QStringLiteral("\n"));
    display.replace(QLatin1Char('\r'), QLatin1Char('\n'));
    return display;
}

TMessageText::TMessageText(const QString& text, QWidget* parent) : QWidget(parent), text_(text)
{
    setObjectName(QStringLiteral("Message"));
    static const bool installed = [] {
        QAccessible::installFactory(MessageTextAccessibleFactory);
        return true;
    }();
    (void)installed;
}

void TMessageText::paintEvent(QPaintEvent*)
{
    QPainter painter(this);
    painter.setPen(palette().color(QPalette::WindowText));
    painter.drawText(rect(), kFlags, text_);
}

TInformationDialog::TInformationDialog(const std::string& caption, const std::string& message,
                                       AppCore::IPresenter& errors, QWidget* parent)
    : QDialog(parent), caption_(caption), message_(message), errors_(errors)
{
    setAttribute(Qt::WA_DeleteOnClose, false);
    setWindowTitle(QString::fromStdString(caption));
    setWindowFlags(Qt::Dialog | Qt::CustomizeWindowHint | Qt::WindowTitleHint | Qt::WindowCloseButtonHint |
                   Qt::MSWindowsFixedSizeDialogHint);
    setModal(true);
    setFont(QApplication::font("QMessageBox"));

    const QFontMetrics metrics(font());
    const QString letters = QString::fromLatin1(AppCore::kAverageWidthLetters.data(),
                                                static_cast<qsizetype>(AppCore::kAverageWidthLetters.size()));
    const AppCore::TDialogUnits units =
        AppCore::DialogUnitsFromMetrics(metrics.horizontalAdvance(letters), metrics.height());

    const QString text = DisplayText(message);
    screen_ = ScreenForDialogs();
    QScreen* screen = screen_;
    const int wrapWidth = AppCore::MessageWrapWidth(screen ? screen->geometry().width() : 1024);
    const QRect block = metrics.boundingRect(QRect(0, 0, wrapWidth, 0), TMessageText::kFlags, text);

    const QString okCaption = QString::fromLatin1(AppCore::kInformationButtonCaption);
    QString plainCaption = okCaption;
    plainCaption.remove(QLatin1Char('&'));
    const AppCore::TInformationDialogLayout layout =
        AppCore::LayoutInformationDialog(units, {block.width(), block.height()},
                                         {metrics.horizontalAdvance(plainCaption)});

    auto* messageText = new TMessageText(text, this);
    messageText->setGeometry(ToQRect(layout.text));

    auto* ok = new QPushButton(okCaption, this);
    ok->setObjectName(QStringLiteral("OK"));
    ok->setGeometry(ToQRect(layout.buttons.front()));
    ok->setDefault(true);
    ok->setFocus();
    // Esc and the close button reject; the result is not used either way.
    connect(ok, &QPushButton::clicked, this, &QDialog::accept);

    setFixedSize(layout.client.width, layout.client.height);
}

void TInformationDialog::keyPressEvent(QKeyEvent* event)
{
    // The button ignores Ctrl+C, so the key reaches the dialog whichever
    // control has the focus.
    if (event->key() == Qt::Key_C && event->modifiers() == Qt::ControlModifier) {
        AppCore::RunGuarded(errors_, [this] { CopyToClipboard(); });
        event->accept();
        return;
    }
    QDialog::keyPressEvent(event);
}

void TInformationDialog::CopyToClipboard()
{
    QApplication::beep();
    const std::string copyText = AppCore::InformationCopyText(caption_, message_, {AppCore::kInformationButtonCaption});
    const QString text = QString::fromStdString(copyText);
    QClipboard* clipboard = QGuiApplication::clipboard();
    if (clipboard) clipboard->setText(text);
    // The toolkit does not report a refusal; a clipboard that does not read
    // back what was put on it did not take it.
    if (!clipboard || clipboard->text() != text) throw SysUtils::Exception("Cannot open clipboard");
}

void TInformationDialog::showEvent(QShowEvent* event)
{
    QDialog::showEvent(event);
    if (QScreen* screen = screen_) {
        const QSize outer = frameGeometry().size();
        const AppCore::TRect place = AppCore::CentreIn(ToRect(screen->geometry()), {outer.width(), outer.height()});
        move(place.left, place.top);
    }
}
