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
    QStringList names;
    names.reserve(items.Count());
    for (const std::string& name : items.Lines()) names << DisplayName(name);
    box->clear();
    box->addItems(names);
    // A name that is not UTF-8 is shown as Latin-1; its item keeps the
    // name's own bytes, so it still reaches the job unchanged.
    for (int i = 0; i < items.Count(); ++i) {
        const std::string& name = items[i];
        if (names[i].toStdString() != name)
            box->setItemData(i, QByteArray(name.data(), static_cast<qsizetype>(name.size())));
    }
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
