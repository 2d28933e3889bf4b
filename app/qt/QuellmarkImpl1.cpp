// SPDX-License-Identifier: Apache-2.0
#include "QuellmarkImpl1.h"

#include <QAbstractItemView>
#include <QCompleter>
#include <QLineEdit>
#include <QMenuBar>
#include <QStringDecoder>
#include <QStyledItemDelegate>

#include "MainForm.h"
#include "PrinterStatusDialog.h"
#include "ui_QuellmarkImpl1.h"

namespace {

// Used where the stored face is not installed: common sans-serif faces of
// the same size.
constexpr const char* kFallbackFamilies[] = {"Liberation Sans", "DejaVu Sans"};

// The printer list's rows at the stored item height.
class TFixedHeightDelegate : public QStyledItemDelegate {
public:
    TFixedHeightDelegate(int height, QObject* parent) : QStyledItemDelegate(parent), height_(height) {}
    QSize sizeHint(const QStyleOptionViewItem& option, const QModelIndex& index) const override
    {
        return {QStyledItemDelegate::sizeHint(option, index).width(), height_};
    }

private:
    int height_;
};

// A printer name as the box shows it: UTF-8 where the bytes are, else
// Latin-1, which gives every byte a readable character.
QString DisplayName(const std::string& name)
{
    QStringDecoder utf8(QStringDecoder::Utf8, QStringDecoder::Flag::Stateless);
    QString text = utf8(QByteArrayView(name.data(), static_cast<qsizetype>(name.size())));
    if (!utf8.hasError()) return text;
    return QString::fromLatin1(name.data(), static_cast<qsizetype>(name.size()));
}

// Appends printers to the box in one insertion. A name that is not UTF-8 is
// shown as Latin-1; its item keeps the name's own bytes, so it still
// reaches the job unchanged.
void AppendPrinters(QComboBox* box, const std::vector<std::string>& names)
{
    const int first = box->count();
    QStringList shown;
    shown.reserve(static_cast<qsizetype>(names.size()));
    for (const std::string& name : names) shown << DisplayName(name);
    box->addItems(shown);
    for (std::size_t i = 0; i < names.size(); ++i) {
        const std::string& name = names[i];
        if (shown[static_cast<qsizetype>(i)].toStdString() != name)
            box->setItemData(first + static_cast<int>(i), QByteArray(name.data(), static_cast<qsizetype>(name.size())));
    }
}

// How a printer found on the network is told from a queue in the list: its
// text must stay the name printing takes.
constexpr const char* kNetworkPrinterTip = "Printer found on the network";

}  // namespace

TQuellmarkX::TQuellmarkX(AppCore::IPresenter& presenter, QWidget* parent)
    : QMainWindow(parent), ui_(std::make_unique<Ui::QuellmarkX>()), presenter_(presenter)
{
    ui_->setupUi(this);
    ApplyStoredLayout();
    ActiveFormCreate();
}

TQuellmarkX::~TQuellmarkX() = default;

void TQuellmarkX::ApplyStoredLayout()
{
    // setupUi sized the window to the stored client area; the menu bar comes on top of it.
    const QSize client = size();

    // The fallbacks follow the stored face in the family list, so the font
    // matcher takes the first installed one without a database query.
    QFont stored = font();
    QStringList families = stored.families();
    for (const char* family : kFallbackFamilies) families << QString::fromLatin1(family);
    stored.setFamilies(families);
    stored.setStyleHint(QFont::SansSerif);
    setFont(stored);

    QPalette colours = palette();
    colours.setColor(QPalette::Window, colours.color(QPalette::Button));
    setPalette(colours);
    setAutoFillBackground(true);

    setWindowFlags(Qt::Window | Qt::CustomizeWindowHint | Qt::WindowTitleHint | Qt::WindowSystemMenuHint |
                   Qt::WindowCloseButtonHint | Qt::MSWindowsFixedSizeDialogHint);
    setFixedSize(client.width(), client.height() + menuBar()->sizeHint().height());
    move(property("storedPosition").toPoint());

    // On Linux Qt reads an editable box's text as its name; its edit field,
    // which takes the focus, carries the name instead.
    ui_->cboPrinters->lineEdit()->setAccessibleName(ui_->cboPrinters->accessibleName());

    auto* completer = new QCompleter(ui_->cboPrinters->model(), ui_->cboPrinters);
    completer->setCaseSensitivity(Qt::CaseInsensitive);
    completer->setCompletionMode(QCompleter::InlineCompletion);
    ui_->cboPrinters->setCompleter(completer);
    ui_->cboPrinters->setItemDelegate(
        new TFixedHeightDelegate(ui_->cboPrinters->property("storedItemHeight").toInt(), ui_->cboPrinters));

    // A check mark on a menu-bar item shows nothing; it is kept as stored.
    QAction* options = ui_->Options->menuAction();
    options->setCheckable(true);
    options->setChecked(ui_->Options->property("storedChecked").toBool());
}

void TQuellmarkX::ActiveFormCreate()
{
    AppCore::FillPrinterBox(*this, presenter_);
    // Listing started the browse of the network; the window never waits for
    // it. Its end is reported on the browse's thread and handed to this one.
    discoveryWatch_ = PrinterUtils::WhenDiscoveryEnds([this](std::vector<PrinterUtils::TNetworkPrinter> found) {
        QMetaObject::invokeMethod(
            this, [this, found = std::move(found)] { AddNetworkPrinters(found); }, Qt::QueuedConnection);
    });
}

void TQuellmarkX::AddNetworkPrinters(const std::vector<PrinterUtils::TNetworkPrinter>& found)
{
    QComboBox* box = ui_->cboPrinters;
    const int index = box->currentIndex();
    const QString text = box->currentText();
    const int cursor = box->lineEdit()->cursorPosition();
    const int first = box->count();
    std::vector<std::string> names;
    names.reserve(found.size());
    for (const PrinterUtils::TNetworkPrinter& printer : found) names.push_back(printer.name);
    AppendPrinters(box, names);
    for (int i = first; i < box->count(); ++i)
        box->setItemData(i, QString::fromLatin1(kNetworkPrinterTip), Qt::ToolTipRole);
    // Filling an empty box selects its first item, over what the user typed.
    if (box->currentIndex() != index) {
        box->setCurrentIndex(index);
        box->setEditText(text);
        box->lineEdit()->setCursorPosition(cursor);
    }
}

void TQuellmarkX::btnPrintClick()
{
    // Caught here, before it would cross Qt's own frames.
    AppCore::RunGuarded(presenter_, [this] { AppCore::PrintStatusPage(*this, presenter_); });
}

void TQuellmarkX::MinimalPageClick()
{
    // The checkable action has already inverted its check mark by the time
    // it is triggered, which is all this choice does; Print reads it.
}

void TQuellmarkX::PrinterStatusClick()
{
    // The printer in the box, asked without paper; the dialog is modal while
    // the window keeps painting.
    TPrinterStatusDialog dialog(PrinterText(), this);
    dialog.exec();
}

void TQuellmarkX::SetPrinterItems(const SysUtils::TStrings& items)
{
    QComboBox* box = ui_->cboPrinters;
    const QString text = box->currentText();
    box->clear();
    AppendPrinters(box, items.Lines());
    // Filling an empty box selects its first item; the box keeps its text
    // until an item is chosen.
    box->setCurrentIndex(-1);
    box->setEditText(text);
}

void TQuellmarkX::SetPrinterIndex(int index)
{
    QComboBox* box = ui_->cboPrinters;
    if (index < 0 && box->currentIndex() < 0) return;
    box->setCurrentIndex(index);
}

std::string TQuellmarkX::PrinterText() const
{
    // The text names a listed printer when it reads as one (chosen or typed
    // in full): that printer's own bytes. Anything else is sent as typed.
    const QComboBox* box = ui_->cboPrinters;
    const QString text = box->currentText();
    int index = box->currentIndex();
    if (index < 0 || box->itemText(index) != text) index = box->findText(text, Qt::MatchExactly);
    if (index >= 0) {
        const QVariant bytes = box->itemData(index);
        return bytes.isValid() ? bytes.toByteArray().toStdString() : box->itemText(index).toStdString();
    }
    return text.toStdString();
}

bool TQuellmarkX::MinimalPageChecked() const
{
    return ui_->MinimalPage->isChecked();
}
