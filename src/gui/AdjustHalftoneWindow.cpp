#include "gui/AdjustHalftoneWindow.h"

#include "store/Preferences.h"
#include "ui_AdjustHalftone.h"

#include <QCloseEvent>
#include <QKeyEvent>
#include <QListWidget>
#include <QPushButton>

namespace orvane {

namespace {

// The buttons the button rule decides; item 8 (Choose PPD) is always enabled.
constexpr int16_t kRuledItems[] = {kAdjustSaveItem,      kAdjustHelpItem,    kAdjustNewItem,
                                   kAdjustToPPDItem,     kAdjustFromPPDItem, kAdjustEditItem,
                                   kAdjustDuplicateItem, kAdjustDeleteItem};

} // namespace

AdjustHalftoneWindow::AdjustHalftoneWindow()
    : DialogWindow(this, kAdjustHalftoneDialogID),
      form_(std::make_unique<Ui::AdjustHalftoneForm>()) {
    auto* content = new QWidget(this);
    form_->setupUi(content);
    setCentralWidget(content);
    setWindowTitle(content->windowTitle());
    CollectItems(this);

    registered_ = std::make_unique<QtListView>(ItemAs<QListWidget>(kAdjustRegisteredListItem));
    ppd_ = std::make_unique<QtListView>(ItemAs<QListWidget>(kAdjustPPDListItem));
    for (const auto& [number, widget] : Items()) {
        if (auto* button = qobject_cast<QPushButton*>(widget)) {
            const int16_t item = number;
            connect(button, &QPushButton::clicked, this, [this, item] { Hit(item); });
        }
    }
    connect(registered_->Widget(), &QListWidget::itemSelectionChanged, this,
            [this] { SelectionChanged(*registered_, *ppd_, kAdjustRegisteredListItem); });
    connect(ppd_->Widget(), &QListWidget::itemSelectionChanged, this,
            [this] { SelectionChanged(*ppd_, *registered_, kAdjustPPDListItem); });
    connect(registered_->Widget(), &QListWidget::itemDoubleClicked, this,
            [this] { DoubleClicked(*registered_); });
    connect(ppd_->Widget(), &QListWidget::itemDoubleClicked, this,
            [this] { DoubleClicked(*ppd_); });
    for (int16_t item : kRuledItems)
        SetItemEnabled(item, false);
    installEventFilter(this);
}

AdjustHalftoneWindow::~AdjustHalftoneWindow() = default;

void AdjustHalftoneWindow::Hit(int16_t item) {
    if (onItem)
        onItem(item);
}

void AdjustHalftoneWindow::SelectionChanged(QtListView& list, QtListView& other, int16_t item) {
    if (clearing_)
        return;
    // At most one setting is selected in the window: a selection in one list clears the
    // other's.
    if (list.SelectedRow() != kNoListRow && other.SelectedRow() != kNoListRow) {
        clearing_ = true;
        other.Deselect();
        clearing_ = false;
    }
    Hit(item);
}

void AdjustHalftoneWindow::DoubleClicked(QtListView& list) {
    // While the editor is open Edit is disabled, and a double click only selects.
    if (list.SelectedRow() != kNoListRow && FlashItem(kAdjustEditItem))
        Hit(kAdjustEditItem);
}

void AdjustHalftoneWindow::SetPPDNameText(std::string_view text) {
    SetItemText(kAdjustPPDNameItem,
                QString::fromUtf8(text.data(), static_cast<qsizetype>(text.size())));
}

void AdjustHalftoneWindow::SetEnabledItems(const AdjustItemSet& enabled) {
    for (int16_t item : kRuledItems)
        SetItemEnabled(item, enabled.Contains(item));
}

void AdjustHalftoneWindow::SetBusyText(const QString& text) {
    form_->busyText->setText(text);
}

bool AdjustHalftoneWindow::eventFilter(QObject* watched, QEvent* event) {
    if (event->type() == QEvent::KeyPress) {
        const auto* key = static_cast<QKeyEvent*>(event);
        if ((key->key() == Qt::Key_Return || key->key() == Qt::Key_Enter) &&
            (key->modifiers() & ~Qt::KeypadModifier) == Qt::NoModifier) {
            // The default button, and only while it is enabled; the key is used up either way.
            if (FlashItem(kAdjustSaveItem))
                Hit(kAdjustSaveItem);
            return true;
        }
    }
    return QMainWindow::eventFilter(watched, event);
}

void AdjustHalftoneWindow::closeEvent(QCloseEvent* event) {
    // The close box quits: the questions about unsaved settings come first, and the window
    // goes when the program has shut down.
    event->ignore();
    if (onClose)
        onClose();
}

} // namespace orvane
