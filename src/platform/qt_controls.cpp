#include "platform/qt_controls.h"

#include "platform/qt_row_model.h"
#include "platform/qt_text.h"

#include <QHeaderView>
#include <QLabel>
#include <QLineEdit>
#include <QListView>
#include <QProgressBar>
#include <QPushButton>
#include <QTreeView>

namespace bk {

namespace {

// A report list carries two columns in this program, no more: readers of the accessibility tree
// see every column the model has, hidden or not.
constexpr int ReportListColumns = 2;

void SetUpListView(QAbstractItemView* view) {
    view->setSelectionMode(QAbstractItemView::SingleSelection);
    view->setSelectionBehavior(QAbstractItemView::SelectRows);
    view->setEditTriggers(QAbstractItemView::NoEditTriggers);
    view->setHorizontalScrollBarPolicy(Qt::ScrollBarAsNeeded);
    view->setVerticalScrollBarPolicy(Qt::ScrollBarAsNeeded);
    view->setFocusPolicy(Qt::StrongFocus);
    view->setTabKeyNavigation(false);
}

} // namespace

ButtonControl::ButtonControl(QWidget* parent, std::string_view text)
    : button_(new QPushButton(ToQString(text), parent)) {
    button_->setAutoDefault(false);
    button_->setFocusPolicy(Qt::StrongFocus);
}

QWidget* ButtonControl::widget() const {
    return button_;
}
std::string ButtonControl::getText() const {
    return ToUtf8(button_->text());
}
void ButtonControl::setText(std::string_view text) {
    button_->setText(ToQString(text));
}

TextFieldControl::TextFieldControl(QWidget* parent, std::string_view text)
    : field_(new QLineEdit(ToQString(text), parent)) {
    field_->setFocusPolicy(Qt::StrongFocus);
}

QWidget* TextFieldControl::widget() const {
    return field_;
}
std::string TextFieldControl::getText() const {
    return ToUtf8(field_->text());
}
void TextFieldControl::setText(std::string_view text) {
    field_->setText(ToQString(text));
}

LabelControl::LabelControl(QWidget* parent, std::string_view text) : label_(new QLabel(parent)) {
    // Captions can carry file names: never let the toolkit read them as markup.
    label_->setTextFormat(Qt::PlainText);
    label_->setFocusPolicy(Qt::NoFocus);
    label_->setAlignment(Qt::AlignLeft | Qt::AlignVCenter);
    label_->setText(ToQString(text));
}

QWidget* LabelControl::widget() const {
    return label_;
}
std::string LabelControl::getText() const {
    return ToUtf8(label_->text());
}
void LabelControl::setText(std::string_view text) {
    label_->setText(ToQString(text));
}

ProgressBarControl::ProgressBarControl(QWidget* parent, int maximum)
    : bar_(new QProgressBar(parent)) {
    bar_->setOrientation(Qt::Vertical);
    bar_->setRange(0, maximum);
    bar_->setValue(0);
    bar_->setTextVisible(false);
    bar_->setFocusPolicy(Qt::NoFocus);
}

QWidget* ProgressBarControl::widget() const {
    return bar_;
}
std::int64_t ProgressBarControl::getState() const {
    return bar_->value();
}
void ProgressBarControl::setState(std::int64_t value) {
    bar_->setValue(static_cast<int>(value));
}

void ListControl::addItem(std::int64_t position, std::string_view text) {
    model_->insertRow(position, text);
}

void ListControl::removeItem(std::int64_t item) {
    model_->removeRowAt(item);
}
void ListControl::clearItems() {
    model_->clear();
}
std::int64_t ListControl::countItems() const {
    return model_->rows();
}

void ListControl::setItemText(std::int64_t item, std::string_view text, int column) {
    model_->setCell(item, column, text);
}

void ListControl::flush() {
    model_->announceAppendedRows();
}

std::int64_t ListControl::currentRow() const {
    const QModelIndex current = view()->currentIndex();
    if (!current.isValid() || !view()->selectionModel()->isRowSelected(current.row())) {
        return -1;
    }
    return current.row();
}

void ListControl::selectRow(std::int64_t row) {
    flush();
    QItemSelectionModel* selection = view()->selectionModel();
    if (row < 0 || row >= model_->rows()) {
        selection->clearSelection();
        selection->setCurrentIndex(QModelIndex(), QItemSelectionModel::Clear);
        return;
    }
    const QModelIndex index = model_->index(static_cast<int>(row), 0);
    selection->setCurrentIndex(index,
                               QItemSelectionModel::ClearAndSelect | QItemSelectionModel::Rows);
    view()->scrollTo(index);
}

ListBoxControl::ListBoxControl(QWidget* parent)
    : ListControl(new RowModel(1, parent)), list_(new QListView(parent)) {
    list_->setModel(model_);
    list_->setUniformItemSizes(true);
    SetUpListView(list_);
}

QWidget* ListBoxControl::widget() const {
    return list_;
}
QAbstractItemView* ListBoxControl::view() const {
    return list_;
}
std::int64_t ListBoxControl::getState() const {
    return currentRow();
}
void ListBoxControl::setState(std::int64_t row) {
    selectRow(row);
}

std::string ListBoxControl::getText() const {
    return model_->cell(currentRow(), 0);
}

void ListBoxControl::setText(std::string_view text) {
    // The first entry with that text, letter case ignored; no such entry: no selection.
    const QString wanted = ToQString(text);
    for (std::int64_t row = 0; row < model_->rows(); ++row) {
        if (ToQString(model_->cell(row, 0)).compare(wanted, Qt::CaseInsensitive) == 0) {
            selectRow(row);
            return;
        }
    }
    selectRow(-1);
}

void ListBoxControl::setItemText(std::int64_t item, std::string_view text, int) {
    model_->setCell(item, 0, text);
}

ReportListControl::ReportListControl(QWidget* parent, std::string_view firstColumnTitle,
                                     int firstColumnWidth)
    : ListControl(new RowModel(ReportListColumns, parent)), tree_(new QTreeView(parent)) {
    tree_->setModel(model_);
    tree_->setRootIsDecorated(false);
    tree_->setItemsExpandable(false);
    tree_->setUniformRowHeights(true);
    tree_->setAllColumnsShowFocus(true);
    tree_->header()->setStretchLastSection(false);
    tree_->header()->setSectionsMovable(false); // the columns keep their order
    SetUpListView(tree_);
    for (int column = 1; column < ReportListColumns; ++column) {
        tree_->setColumnHidden(column, true);
    }
    model_->setColumnTitle(0, firstColumnTitle);
    tree_->setColumnWidth(0, firstColumnWidth);
}

QWidget* ReportListControl::widget() const {
    return tree_;
}
QAbstractItemView* ReportListControl::view() const {
    return tree_;
}

std::int64_t ReportListControl::getState() const {
    const QModelIndex current = tree_->currentIndex();
    return current.isValid() ? current.row() : -1;
}

void ReportListControl::setState(std::int64_t row) {
    if (row < 0) {
        selectRow(-1);
        return;
    }
    selectRow(row);
    tree_->setFocus();
}

std::string ReportListControl::getText() const {
    return model_->cell(getState(), 0);
}

void ReportListControl::setText(std::string_view text) {
    // Columns are separated by line feeds, as when a row is added.
    const std::int64_t row = getState();
    if (row < 0) {
        return;
    }
    int column = 0;
    std::size_t start = 0;
    while (start <= text.size() && column < ReportListColumns) {
        const std::size_t end = std::min(text.find('\n', start), text.size());
        if (end == text.size() && start == text.size() && column > 0) {
            break; // a final line feed adds no column
        }
        model_->setCell(row, column++, text.substr(start, end - start));
        start = end + 1;
    }
}

bool ReportListControl::addColumn(int position, std::string_view title, int width) {
    if (position < 1 || position >= ReportListColumns) {
        return false;
    }
    model_->setColumnTitle(position, title);
    tree_->setColumnHidden(position, false);
    tree_->setColumnWidth(position, width);
    return true;
}

} // namespace bk
