#pragma once

#include "platform/qt_control_layer.h"
#include "support/program_fixture.h"

#include <QAbstractItemView>
#include <QLabel>
#include <QWidget>

namespace bk::test {

// The real control layer, read back through its widgets.
class QtWindow : public QtControlLayer {
  public:
    template <typename Answer> void answerChooser(Answer answer) { setFolderChooser(answer); }
    template <typename Answer> void answerBoxes(Answer answer) { setMessageBoxAnswer(answer); }

    std::vector<std::string> rowsOf(int view, int column = 0) {
        showPendingChanges();
        std::vector<std::string> texts;
        auto* itemView = qobject_cast<QAbstractItemView*>(controlWidget(view));
        for (int row = 0; row < itemView->model()->rowCount(); ++row) {
            texts.push_back(itemView->model()->index(row, column).data().toString().toStdString());
        }
        return texts;
    }
    bool isEnabled(int control) { return controlWidget(control)->isEnabled(); }
    std::string statusTextOf(int field) { return statusField(field)->text().toStdString(); }
};

// The real main window on the offscreen platform.
using WindowTest = ProgramFixture<QtWindow>;

} // namespace bk::test
