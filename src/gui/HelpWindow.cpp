#include "gui/HelpWindow.h"

#include "gui/GuiResources.h"
#include "ui_HelpWindow.h"

#include <QKeyEvent>
#include <QListWidget>
#include <QPushButton>
#include <QScrollBar>
#include <QTextBrowser>

namespace orvane {

namespace {

enum : int16_t { kCloseItem = 1, kTextItem = 2, kTitleItem = 4, kTopicListItem = 6 };

} // namespace

HelpWindow::HelpWindow(const GlueRec* glue, int16_t helpID)
    : DialogWindow(this, kDialogID), form_(std::make_unique<Ui::HelpWindowForm>()),
      helpID_(helpID) {
    form_->setupUi(this);
    setAttribute(Qt::WA_DeleteOnClose);
    CollectItems(this);
    installEventFilter(this);

    const QString product = ProductName(glue);
    const QString title = ItemText(kTitleItem).replace(QStringLiteral("^0"), product).trimmed();
    SetItemText(kTitleItem, title);
    setWindowTitle(title);

    form_->splitter->setStretchFactor(1, 1);
    auto* topics = ItemAs<QListWidget>(kTopicListItem);
    topics->setSelectionMode(QAbstractItemView::SingleSelection);
    for (const HelpTopic& topic : LoadHelpTopics(helpID)) {
        topics->addItem(topic.title);
        textIDs_.push_back(topic.textID);
    }
    // Every title shows whole.
    topics->setHorizontalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
    const int listWidth = topics->sizeHintForColumn(0) + 2 * topics->frameWidth() + 12;
    topics->setMinimumWidth(listWidth);
    form_->splitter->setSizes({listWidth, width() - listWidth});
    connect(topics, &QListWidget::currentRowChanged, this, [this](int row) {
        if (row >= 0)
            ShowTopic(row);
    });
    // A click below the last topic leaves the current one chosen.
    connect(topics, &QListWidget::itemSelectionChanged, this, [this, topics] {
        if (topics->selectedItems().isEmpty() && current_ >= 0)
            topics->setCurrentRow(current_);
    });
    connect(ItemAs<QPushButton>(kCloseItem), &QPushButton::clicked, this, &QWidget::close);
    if (!textIDs_.empty())
        topics->setCurrentRow(0);
}

HelpWindow::~HelpWindow() = default;

void HelpWindow::ShowTopic(int row) {
    if (row < 0 || row >= static_cast<int>(textIDs_.size()))
        return;
    current_ = row;
    auto* topics = ItemAs<QListWidget>(kTopicListItem);
    if (topics->currentRow() != row)
        topics->setCurrentRow(row);
    auto* text = ItemAs<QTextBrowser>(kTextItem);
    text->setHtml(LoadHelpText(textIDs_[static_cast<size_t>(row)]));
    text->verticalScrollBar()->setValue(0);
}

bool HelpWindow::eventFilter(QObject* watched, QEvent* event) {
    if (event->type() == QEvent::KeyPress) {
        const int key = static_cast<QKeyEvent*>(event)->key();
        if (key == Qt::Key_Return || key == Qt::Key_Enter || key == Qt::Key_Escape) {
            FlashItem(kCloseItem);
            close();
            return true;
        }
    }
    return QWidget::eventFilter(watched, event);
}

void HelpWindow::closeEvent(QCloseEvent* event) {
    if (onClosed) {
        auto closed = std::move(onClosed);
        onClosed = nullptr;
        closed();
    }
    QWidget::closeEvent(event);
}

} // namespace orvane
