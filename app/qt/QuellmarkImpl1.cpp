#include "QuellmarkImpl1.h"

#include <QAbstractItemView>
#include <QCompleter>
#include <QFontDatabase>
#include <QMenuBar>

#include "MainForm.h"
#include "ui_QuellmarkImpl1.h"

namespace {

// Used where the stored face is not installed: the closest common face of
// the same size.
constexpr const char* kFallbackFamilies[] = {"Microsoft Sans Serif", "Liberation Sans", "DejaVu Sans"};

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

    QFont stored = font();
    if (!QFontDatabase::hasFamily(stored.family())) {
        QStringList families{stored.family()};
        for (const char* family : kFallbackFamilies) families << QString::fromLatin1(family);
        stored.setFamilies(families);
        stored.setStyleHint(QFont::SansSerif);
        setFont(stored);
    }

    QPalette colours = palette();
    colours.setColor(QPalette::Window, colours.color(QPalette::Button));
    setPalette(colours);
    setAutoFillBackground(true);

    setWindowFlags(Qt::Window | Qt::CustomizeWindowHint | Qt::WindowTitleHint | Qt::WindowSystemMenuHint |
                   Qt::WindowCloseButtonHint | Qt::MSWindowsFixedSizeDialogHint);
    setFixedSize(client.width(), client.height() + menuBar()->sizeHint().height());
    move(property("storedPosition").toPoint());

    auto* completer = new QCompleter(ui_->cboPrinters->model(), ui_->cboPrinters);
    completer->setCaseSensitivity(Qt::CaseInsensitive);
    completer->setCompletionMode(QCompleter::InlineCompletion);
    ui_->cboPrinters->setCompleter(completer);
    const int itemHeight = ui_->cboPrinters->property("storedItemHeight").toInt();
    ui_->cboPrinters->view()->setStyleSheet(QStringLiteral("QAbstractItemView::item { height: %1px; }").arg(itemHeight));

    // A check mark on a menu-bar item shows nothing; it is kept as stored.
    QAction* options = ui_->Options->menuAction();
    options->setCheckable(true);
    options->setChecked(ui_->Options->property("storedChecked").toBool());
}

void TQuellmarkX::ActiveFormCreate()
{
    AppCore::ActiveFormCreate(*this, presenter_);
}

void TQuellmarkX::btnPrintClick()
{
    // Caught here, before it would cross Qt's own frames.
    AppCore::RunGuarded(presenter_, [this] { AppCore::btnPrintClick(*this, presenter_); });
}

void TQuellmarkX::MinimalPageClick()
{
    // The checkable action has already inverted its check mark by the time
    // it is triggered, which is all this choice does; Print reads it.
}

void TQuellmarkX::SetPrinterItems(const SysUtils::TStrings& items)
{
    QComboBox* box = ui_->cboPrinters;
    const QString text = box->currentText();
    QStringList names;
    names.reserve(items.Count());
    for (const std::string& name : items.Lines()) names << QString::fromStdString(name);
    box->clear();
    box->addItems(names);
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
    return ui_->cboPrinters->currentText().toStdString();
}

bool TQuellmarkX::MinimalPageChecked() const
{
    return ui_->MinimalPage->isChecked();
}
