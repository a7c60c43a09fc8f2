#include "ui/result_views.h"
#include "ui/window_fixture.h"

#include <QAbstractItemView>
#include <QTextDocument>

namespace bk::test {

namespace {

// How the real lists show names that are no plain UTF-8 text of one line.
class RowDisplayTest : public WindowTest {
  protected:
    QVariant cellData(int view, int row, int column, int role) {
        controls.showPendingChanges();
        QAbstractItemModel* model =
            qobject_cast<QAbstractItemView*>(controls.controlWidget(view))->model();
        return model->data(model->index(row, column), role);
    }
};

// What a user sees of a tooltip: the toolkit reads it as rich text when it looks like markup.
std::string AsShown(const QVariant& value) {
    const QString shown = value.toString();
    QTextDocument document;
    if (Qt::mightBeRichText(shown)) {
        document.setHtml(shown);
    } else {
        document.setPlainText(shown);
    }
    return document.toPlainText().toStdString();
}

TEST_F(RowDisplayTest, NamesAreShownAsPlainTextEvenWithMarkupOrBrokenBytes) {
    const std::string markup = "<b>markup</b>.txt";
    const std::string broken = "bad\xff\xfe name.txt";
    const std::string brokenShown = "bad\xEF\xBF\xBD\xEF\xBF\xBD name.txt";
    addFile("/data", markup, 1);
    addFile("/data", broken, 2);
    addGroup({{"/data", markup}, {"/data", broken}});
    RefreshViews(program, ShowFiles);
    RefreshViews(program, ShowGroups);
    controls.setState(GroupsView, 0);
    RefreshViews(program, ShowMembers);

    EXPECT_EQ(rows(AllFilesView), (std::vector<std::string>{markup, brokenShown}));
    EXPECT_EQ(rows(GroupsView), std::vector<std::string>{"2: " + markup + ", " + brokenShown});
    EXPECT_EQ(rows(MembersView),
              (std::vector<std::string>{"/data/" + markup, "/data/" + brokenShown}));
    for (const int view : {AllFilesView, GroupsView, MembersView}) {
        SCOPED_TRACE(view);
        const QVariant tip = cellData(view, 0, 0, Qt::ToolTipRole);
        if (tip.isValid()) {
            EXPECT_NE(AsShown(tip).find(markup), std::string::npos)
                << "tooltip read as markup: " << tip.toString().toStdString();
        }
    }
    // The catalogue keeps the bytes as they are on disk.
    EXPECT_EQ(program.catalogue.files.last()->name, broken);
}

TEST_F(RowDisplayTest, NameWithLineFeedStaysInTheNameColumn) {
    addFile("/data", "two\nlines.txt", 7);
    RefreshViews(program, ShowFiles);
    EXPECT_EQ(rows(AllFilesView), std::vector<std::string>{"two\nlines.txt"});
    EXPECT_EQ(rows(AllFilesView, 1), std::vector<std::string>{"7 Bytes"});
}

} // namespace

} // namespace bk::test
