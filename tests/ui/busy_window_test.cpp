#include "ui/window_fixture.h"

#include <QApplication>
#include <QElapsedTimer>
#include <QMouseEvent>
#include <QPushButton>

namespace bk::test {

namespace {

// While a command runs, between the return of waitEvent and its next call, the window takes no
// input; a close request still counts.
class BusyWindowTest : public WindowTest {
  protected:
    // Returns from waitEvent with a control event, as the loop does before running a command.
    void startCommand() {
        qobject_cast<QPushButton*>(controls.controlWidget(AddFolderButton))->click();
        ASSERT_EQ(controls.waitEvent(), ControlEvent);
    }

    void clickWithMouse(int control) {
        QWidget* target = controls.controlWidget(control);
        const QPointF inside(target->width() / 2.0, target->height() / 2.0);
        const QPointF global = target->mapToGlobal(inside);
        QMouseEvent press(QEvent::MouseButtonPress, inside, global, Qt::LeftButton, Qt::LeftButton,
                          Qt::NoModifier);
        QMouseEvent release(QEvent::MouseButtonRelease, inside, global, Qt::LeftButton,
                            Qt::NoButton, Qt::NoModifier);
        QApplication::sendEvent(target, &press);
        QApplication::sendEvent(target, &release);
    }
};

TEST_F(BusyWindowTest, ClicksWhileACommandRunsAreDroppedNotReplayed) {
    startCommand();
    clickWithMouse(ResetButton);
    EXPECT_EQ(controls.pendingEvents(), 0u);
}

TEST_F(BusyWindowTest, ClicksBetweenCommandsReachTheControls) {
    clickWithMouse(ResetButton);
    ASSERT_EQ(controls.waitEvent(), ControlEvent);
    EXPECT_EQ(controls.eventControl(), ResetButton);
}

TEST_F(BusyWindowTest, CloseRequestWhileACommandRunsIsHandedOutAfterIt) {
    startCommand();
    controls.window()->close();
    EXPECT_TRUE(controls.window()->isVisible()) << "the window stays open until the program ends";
    EXPECT_EQ(controls.waitEvent(), CloseEvent);
}

// A command that only says it is still at work, say while it reads a large file, lets the window
// paint again and again (every 100 ms; the window benchmark measures how often).
TEST_F(BusyWindowTest, AWorkingCommandLetsTheWindowPaintAgainAndAgain) {
    struct Paints : QObject {
        bool eventFilter(QObject*, QEvent* event) override {
            count += event->type() == QEvent::Paint ? 1 : 0;
            return false;
        }
        int count = 0;
    } paints;
    startCommand();
    QApplication::processEvents(); // whatever the start left to paint
    controls.window()->installEventFilter(&paints);
    QElapsedTimer working;
    working.start();
    while (paints.count < 2 && working.elapsed() < 10000) {
        controls.stillWorking();
    }
    controls.window()->removeEventFilter(&paints);
    EXPECT_GE(paints.count, 2);
}

} // namespace

} // namespace bk::test
