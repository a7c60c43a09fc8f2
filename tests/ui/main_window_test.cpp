#include "ui/window_fixture.h"

#include <QApplication>
#include <QHeaderView>
#include <QKeyEvent>
#include <QLineEdit>
#include <QListView>
#include <QProgressBar>
#include <QPushButton>
#include <QScreen>
#include <QTreeView>

namespace bk::test {

namespace {

struct ControlRow {
    int number;
    const char* kind;
    Rect rect;
    const char* text;
};

// The window's fixed layout, control by control.
const ControlRow ControlTable[] = {
    {AddFolderButton, "QPushButton", {5, 5, 95, 20}, "Pfad hinzufügen"},
    {PatternField, "QLineEdit", {105, 5, 95, 20}, "*.*"},
    {AllFilesLabel, "QLabel", {5, 30, 195, 18}, "Alle Dateien"},
    {AllFilesView, "QTreeView", {5, 48, 195, 382}, ""},
    {ResetButton, "QPushButton", {5, 435, 195, 20}, "Zurücksetzen"},
    {FindDuplicatesButton, "QPushButton", {205, 5, 197, 20}, "Doppelte Dateien suchen"},
    {FindSameNamesButton, "QPushButton", {407, 5, 197, 20}, "Gleichnamige Dateien suchen"},
    {GroupsLabel, "QLabel", {205, 30, 400, 18}, "Dateien mit gleichem Inhalt"},
    {GroupsView, "QListView", {205, 48, 400, 257}, ""},
    {MembersLabel, "QLabel", {205, 310, 430, 18}, "Doppelte Dateien:"},
    {MembersView, "QListView", {205, 328, 430, 77}, ""},
    {DeleteMarkedButton, "QPushButton", {205, 410, 212, 20}, "Lösche markierte Datei"},
    {DeleteOthersButton, "QPushButton", {205, 435, 212, 20}, "Lösche alle außer markierter"},
    {DeleteByExtensionButton,
     "QPushButton",
     {422, 410, 212, 20},
     "Lösche Dateien mit spez. Endung"},
    {SearchProgress, "QProgressBar", {610, 80, 25, 225}, ""},
    {CompareProgress, "QProgressBar", {610, 50, 25, 25}, ""},
};

class MainWindowTest : public WindowTest {};

TEST_F(MainWindowTest, WindowHasFixedClientAreaAndTitle) {
    QWidget* window = controls.window();
    EXPECT_EQ(window->windowTitle().toStdString(), "Brannoway-Kestrill");
    EXPECT_EQ(window->size(), QSize(640, 480));
    EXPECT_EQ(window->minimumSize(), window->maximumSize()) << "the window must not be resizable";
    EXPECT_FALSE(window->windowFlags() & Qt::WindowMaximizeButtonHint);
    EXPECT_FALSE(window->windowFlags() & Qt::WindowMinimizeButtonHint);
}

TEST_F(MainWindowTest, WindowIsCentredOnTheScreen) {
    const QRect screen = QGuiApplication::primaryScreen()->geometry();
    const QRect frame = controls.window()->frameGeometry();
    EXPECT_EQ(frame.x(), screen.width() / 2 - frame.width() / 2);
    EXPECT_EQ(frame.y(), screen.height() / 2 - frame.height() / 2);
}

TEST_F(MainWindowTest, EveryControlStandsAtItsPlaceWithItsKindAndText) {
    for (const ControlRow& row : ControlTable) {
        SCOPED_TRACE(row.number);
        QWidget* widget = controls.controlWidget(row.number);
        ASSERT_NE(widget, nullptr);
        EXPECT_TRUE(widget->inherits(row.kind)) << widget->metaObject()->className();
        EXPECT_EQ(widget->geometry(),
                  QRect(row.rect.x, row.rect.y, row.rect.width, row.rect.height));
        EXPECT_EQ(text(row.number), row.text);
        EXPECT_TRUE(widget->isEnabled()) << "every control starts enabled";
    }
}

TEST_F(MainWindowTest, NumbersWithoutControlDoNothing) {
    for (const int number : {14, 29, 99, 102, 5000}) {
        controls.addItem(number, -1, "x");
        controls.setState(number, 3);
        EXPECT_EQ(controls.countItems(number), 0);
        EXPECT_EQ(controls.getState(number), 0);
        EXPECT_EQ(controls.getText(number), "");
    }
}

TEST_F(MainWindowTest, AllFilesViewHasNameAndSizeColumns) {
    auto* view = qobject_cast<QTreeView*>(controls.controlWidget(AllFilesView));
    ASSERT_NE(view, nullptr);
    QAbstractItemModel* model = view->model();
    // Two columns for every reader, screen readers included, in a fixed order.
    EXPECT_EQ(model->columnCount(), 2);
    EXPECT_FALSE(view->isColumnHidden(0));
    EXPECT_FALSE(view->isColumnHidden(1));
    EXPECT_FALSE(view->header()->sectionsMovable());
    EXPECT_EQ(model->headerData(0, Qt::Horizontal).toString().toStdString(), "Name");
    EXPECT_EQ(model->headerData(1, Qt::Horizontal).toString().toStdString(), "Größe");
    EXPECT_EQ(view->columnWidth(0), 150);
    EXPECT_EQ(view->columnWidth(1), 100);
}

TEST_F(MainWindowTest, StatusLineHasTwoFieldsAlongTheBottom) {
    QLabel* activity = controls.statusField(0);
    QLabel* detail = controls.statusField(1);
    ASSERT_NE(activity, nullptr);
    ASSERT_NE(detail, nullptr);
    EXPECT_EQ(activity->mapTo(controls.window(), QPoint(0, 0)), QPoint(0, 460));
    EXPECT_EQ(activity->width(), 200);
    EXPECT_EQ(detail->mapTo(controls.window(), QPoint(0, 0)), QPoint(200, 460));
    EXPECT_EQ(detail->width(), 440);
    EXPECT_EQ(activity->height(), 20);
}

TEST_F(MainWindowTest, ProgressBarsAreVerticalAndEmpty) {
    for (const int number : {SearchProgress, CompareProgress}) {
        auto* bar = qobject_cast<QProgressBar*>(controls.controlWidget(number));
        ASSERT_NE(bar, nullptr);
        EXPECT_EQ(bar->orientation(), Qt::Vertical);
        EXPECT_EQ(bar->minimum(), 0);
        EXPECT_EQ(bar->maximum(), 100);
        EXPECT_EQ(controls.getState(number), 0);
    }
}

void PressKey(Qt::Key key, Qt::KeyboardModifiers modifiers) {
    QWidget* target = QApplication::focusWidget();
    ASSERT_NE(target, nullptr);
    QKeyEvent press(QEvent::KeyPress, key, modifiers);
    QApplication::sendEvent(target, &press);
}

TEST_F(MainWindowTest, NoControlHasTheFocusUntilTheFirstTabGivesItToTheFirstControl) {
    QApplication::setActiveWindow(controls.window());
    QWidget* focused = QApplication::focusWidget();
    EXPECT_TRUE(focused == nullptr || focused == controls.window());
    QKeyEvent tab(QEvent::KeyPress, Qt::Key_Tab, Qt::NoModifier);
    QApplication::sendEvent(focused != nullptr ? focused : controls.window(), &tab);
    EXPECT_EQ(QApplication::focusWidget(), controls.controlWidget(AddFolderButton));
}

TEST_F(MainWindowTest, TabAndShiftTabWalkTheTabStopsInCreationOrderAndWrap) {
    const std::vector<int> tabStops = {AddFolderButton,
                                       PatternField,
                                       AllFilesView,
                                       ResetButton,
                                       FindDuplicatesButton,
                                       FindSameNamesButton,
                                       GroupsView,
                                       MembersView,
                                       DeleteMarkedButton,
                                       DeleteOthersButton,
                                       DeleteByExtensionButton};
    QWidget* window = controls.window();
    QApplication::setActiveWindow(window);
    controls.controlWidget(tabStops.front())->setFocus();
    for (std::size_t i = 1; i <= tabStops.size(); ++i) {
        PressKey(Qt::Key_Tab, Qt::NoModifier);
        EXPECT_EQ(QApplication::focusWidget(),
                  controls.controlWidget(tabStops[i % tabStops.size()]))
            << "after tab " << i;
    }
    PressKey(Qt::Key_Backtab, Qt::ShiftModifier);
    EXPECT_EQ(QApplication::focusWidget(), controls.controlWidget(tabStops.back()));
    for (const int notAStop :
         {AllFilesLabel, GroupsLabel, MembersLabel, SearchProgress, CompareProgress}) {
        EXPECT_EQ(controls.controlWidget(notAStop)->focusPolicy(), Qt::NoFocus);
    }
}

TEST_F(MainWindowTest, ViewsAndFieldsHaveGermanAccessibleNames) {
    for (const int number :
         {PatternField, AllFilesView, GroupsView, MembersView, SearchProgress, CompareProgress}) {
        EXPECT_FALSE(controls.controlWidget(number)->accessibleName().isEmpty()) << number;
    }
}

TEST_F(MainWindowTest, EveryCaptionFitsItsControl) {
    for (const ControlRow& row : ControlTable) {
        auto* button = qobject_cast<QPushButton*>(controls.controlWidget(row.number));
        if (button == nullptr) {
            continue;
        }
        const int needed = button->fontMetrics().horizontalAdvance(button->text());
        EXPECT_LE(needed + 8, button->width()) << row.text;
    }
}

} // namespace

} // namespace bk::test
