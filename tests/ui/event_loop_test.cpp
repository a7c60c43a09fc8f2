#include "platform/posix_file_services.h"
#include "ui/result_views.h"
#include "ui/status_line.h"
#include "ui/texts.h"
#include "ui/window_fixture.h"

#include <QAbstractItemView>
#include <QApplication>
#include <QLineEdit>
#include <QMouseEvent>
#include <QPushButton>
#include <QTimer>
#include <utility>

namespace bk::test {

namespace {

// Long enough never to fire while a working loop runs; it only keeps a broken loop from hanging
// the whole test run.
constexpr int HangGuardMs = 20000;

// The main window with the event loop driven for real: events are latched by clicking the real
// widgets, and the loop runs until the close request it finds in the queue.
class EventLoopTest : public WindowTest {
  protected:
    void click(int control) {
        auto* button = qobject_cast<QPushButton*>(controls.controlWidget(control));
        ASSERT_NE(button, nullptr);
        ASSERT_TRUE(button->isEnabled()) << "control " << control << " cannot be clicked";
        button->click();
    }

    void requestClose() { controls.window()->close(); }

    // Runs the loop until it has handled the close request; false when it had to be stopped
    // because it never returned on its own.
    bool runLoop() {
        bool stopped = false;
        QTimer guard;
        guard.setSingleShot(true);
        QObject::connect(&guard, &QTimer::timeout, [this, &stopped] {
            stopped = true;
            controls.window()->close();
        });
        guard.start(HangGuardMs);
        RunEventLoop(program);
        return !stopped;
    }

    void clickRow(int view, int row) {
        auto* itemView = qobject_cast<QAbstractItemView*>(controls.controlWidget(view));
        ASSERT_NE(itemView, nullptr);
        controls.showPendingChanges();
        const QPoint at = itemView->visualRect(itemView->model()->index(row, 0)).center();
        QWidget* viewport = itemView->viewport();
        QMouseEvent press(QEvent::MouseButtonPress, at, viewport->mapToGlobal(at), Qt::LeftButton,
                          Qt::LeftButton, Qt::NoModifier);
        QMouseEvent release(QEvent::MouseButtonRelease, at, viewport->mapToGlobal(at),
                            Qt::LeftButton, Qt::NoButton, Qt::NoModifier);
        QApplication::sendEvent(viewport, &press);
        QApplication::sendEvent(viewport, &release);
    }
};

TEST_F(EventLoopTest, ClicksLatchedBeforeWaitingComeOutOneEventEachInOrder) {
    click(AddFolderButton);
    click(DeleteByExtensionButton);
    click(AddFolderButton);
    ASSERT_EQ(controls.pendingEvents(), 3U);

    EXPECT_EQ(controls.waitEvent(), ControlEvent);
    EXPECT_EQ(controls.eventControl(), AddFolderButton);
    EXPECT_EQ(controls.waitEvent(), ControlEvent);
    EXPECT_EQ(controls.eventControl(), DeleteByExtensionButton);
    EXPECT_EQ(controls.waitEvent(), ControlEvent);
    EXPECT_EQ(controls.eventControl(), AddFolderButton);
    EXPECT_EQ(controls.pendingEvents(), 0U);
}

TEST_F(EventLoopTest, CloseRequestLeavesTheWindowOpenAndComesAfterEarlierClicks) {
    click(AddFolderButton);
    requestClose();
    EXPECT_TRUE(controls.window()->isVisible()) << "a close request must not close the window";
    EXPECT_EQ(controls.waitEvent(), ControlEvent);
    EXPECT_EQ(controls.eventControl(), AddFolderButton);
    EXPECT_EQ(controls.waitEvent(), CloseEvent);
    EXPECT_TRUE(controls.window()->isVisible());
}

TEST_F(EventLoopTest, ChangesTheProgramMakesLatchNoEvent) {
    controls.setText(PatternField, "*.txt");
    for (const char* row : {"1: a", "2: b, c", "3: d, e, f"}) {
        controls.addItem(GroupsView, -1, row);
        controls.addItem(MembersView, -1, row);
        controls.addItem(AllFilesView, -1, row);
    }
    controls.setState(GroupsView, 1);
    controls.setState(MembersView, 2);
    controls.setState(AllFilesView, 1);
    controls.setText(GroupsView, "3: d, e, f");
    controls.setItemText(AllFilesView, 1, FileSizeText(7), 1);
    controls.removeItem(MembersView, 2);
    controls.clearItems(GroupsView);
    controls.setState(SearchProgress, 50);
    controls.disable(AddFolderButton, true);
    controls.disable(AddFolderButton, false);
    QCoreApplication::processEvents();
    EXPECT_EQ(controls.pendingEvents(), 0U);
}

TEST_F(EventLoopTest, TypingIntoThePatternFieldRaisesAnEventThatChangesNothing) {
    auto* field = qobject_cast<QLineEdit*>(controls.controlWidget(PatternField));
    ASSERT_NE(field, nullptr);
    field->setFocus();
    field->end(false);
    field->insert(";*.txt");
    ASSERT_EQ(controls.pendingEvents(), 1U);
    requestClose();
    ASSERT_TRUE(runLoop());
    EXPECT_TRUE(program.catalogue.files.empty());
    EXPECT_TRUE(chooserOpenedAt.empty());
    EXPECT_EQ(text(PatternField), "*.*;*.txt");
}

TEST_F(EventLoopTest, ClickOnAGroupShowsItsMembersAndTheNextPassEnablesDeletion) {
    addFile("/one", "a.txt", 3);
    addFile("/two", "a.txt", 3);
    addFile("/one", "b.txt", 5);
    addFile("/two", "b.txt", 5);
    addGroup({{"/one", "a.txt"}, {"/two", "a.txt"}});
    addGroup({{"/one", "b.txt"}, {"/two", "b.txt"}});
    RefreshViews(program, ShowGroups);
    ApplyEnablingRules(program);
    ASSERT_TRUE(enabled(GroupsView));

    clickRow(GroupsView, 1);
    ASSERT_GE(controls.pendingEvents(), 1U) << "a click on a row must raise an event";
    requestClose();
    ASSERT_TRUE(runLoop());

    EXPECT_EQ(rows(MembersView), (std::vector<std::string>{"/one/b.txt", "/two/b.txt"}));
    EXPECT_TRUE(enabled(DeleteMarkedButton));
    EXPECT_TRUE(enabled(DeleteOthersButton));
}

// The whole life of the program on its own window.
class ProgramRunTest : public ::testing::Test {
  protected:
    ProgramRunTest() : files(tree.root() + "/") {
        controls.setMessageBoxAnswer([this](std::string_view title, std::string_view text) {
            boxes.emplace_back(std::string(title), std::string(text));
            windowOpenWhenBoxShown = controls.window() != nullptr;
        });
    }

    int run() {
        QTimer guard;
        guard.setSingleShot(true);
        QObject::connect(&guard, &QTimer::timeout, [this] {
            loopHung = true;
            if (controls.window() != nullptr) {
                controls.window()->close();
            }
        });
        guard.start(HangGuardMs);
        return RunProgram(controls, files);
    }

    TempTree tree;
    QtControlLayer controls;
    PosixFileServices files;
    std::vector<std::pair<std::string, std::string>> boxes;
    bool windowOpenWhenBoxShown = true;
    bool loopHung = false;
};

TEST_F(ProgramRunTest, ClosingTheWindowShowsTheCreditsAndEndsWithZero) {
    QTimer::singleShot(0, &controls, [this] { controls.window()->close(); });
    EXPECT_EQ(run(), 0);
    EXPECT_FALSE(loopHung);
    ASSERT_EQ(boxes.size(), 1U);
    EXPECT_EQ(boxes[0].first, "Credits");
    EXPECT_EQ(boxes[0].second, "Brannoway-Kestrill\n\nProgrammed by Ostrevallen");
    EXPECT_FALSE(windowOpenWhenBoxShown) << "the window closes before the credits appear";
    EXPECT_EQ(controls.window(), nullptr);
}

TEST_F(ProgramRunTest, ClosingWithAFullCatalogueStillShowsTheCredits) {
    tree.write("data/a.txt", "abc");
    int chooserCalls = 0;
    controls.setFolderChooser([&](std::string_view, std::string_view) {
        ++chooserCalls;
        return tree.path("data") + "/";
    });
    QTimer::singleShot(0, &controls, [this] {
        qobject_cast<QPushButton*>(controls.controlWidget(AddFolderButton))->click();
        controls.window()->close();
    });
    EXPECT_EQ(run(), 0);
    EXPECT_FALSE(loopHung);
    EXPECT_EQ(chooserCalls, 1);
    ASSERT_EQ(boxes.size(), 1U);
    EXPECT_EQ(boxes[0].first, "Credits");
    EXPECT_EQ(boxes[0].second, "Brannoway-Kestrill\n\nProgrammed by Ostrevallen");
}

} // namespace

} // namespace bk::test
