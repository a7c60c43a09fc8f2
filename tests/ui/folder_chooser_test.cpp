#include "platform/qt_control_layer.h"
#include "support/temp_tree.h"

#include <QAbstractButton>
#include <QApplication>
#include <QFileDialog>
#include <QKeyEvent>
#include <QLabel>
#include <QLineEdit>
#include <QTimer>
#include <functional>
#include <gtest/gtest.h>
#include <string>
#include <vector>

namespace bk::test {

namespace {

// The real folder chooser, driven from inside its own event loop: act runs once it is up.
std::string Choose(QtControlLayer& controls, const std::string& shownFolder,
                   const std::function<void(QFileDialog&)>& act) {
    QTimer::singleShot(0, [&] {
        auto* dialog = qobject_cast<QFileDialog*>(QApplication::activeModalWidget());
        ASSERT_NE(dialog, nullptr);
        act(*dialog);
        if (dialog->isVisible()) {
            dialog->reject();
        }
    });
    return controls.chooseFolder("Pfad hinzufügen...", shownFolder);
}

void TypeAndPressEnter(QFileDialog& dialog, const std::string& typed) {
    auto* field = dialog.findChild<QLineEdit*>(QStringLiteral("fileNameEdit"));
    ASSERT_NE(field, nullptr);
    field->setText(QString::fromStdString(typed));
    QKeyEvent enter(QEvent::KeyPress, Qt::Key_Return, Qt::NoModifier);
    QApplication::sendEvent(field, &enter);
}

TEST(FolderChooserTest, SpeaksGerman) {
    QtControlLayer controls;
    TempTree tree;
    std::vector<std::string> texts;
    Choose(controls, tree.root(), [&](QFileDialog& dialog) {
        EXPECT_EQ(dialog.windowTitle().toStdString(), "Pfad hinzufügen...");
        for (const auto* label : dialog.findChildren<QLabel*>()) {
            texts.push_back(label->text().toStdString());
        }
        for (const auto* button : dialog.findChildren<QAbstractButton*>()) {
            texts.push_back(button->text().toStdString());
        }
    });
    const auto shows = [&](const std::string& text) {
        return std::find(texts.begin(), texts.end(), text) != texts.end();
    };
    EXPECT_TRUE(shows("Abbrechen")) << "the buttons are not German";
    EXPECT_FALSE(shows("Cancel"));
    EXPECT_FALSE(shows("Look in:"));
}

TEST(FolderChooserTest, ChoosesTheFolderTypedAbsoluteOrRelative) {
    TempTree tree;
    tree.folder("shown/sub");
    tree.folder("shown/Straße mit Leerzeichen");
    const std::string shown = tree.path("shown");
    const struct {
        std::string typed;
        std::string chosen;
    } cases[] = {
        {shown + "/sub", shown + "/sub/"},
        {shown + "/sub/", shown + "/sub/"},
        {"sub", shown + "/sub/"},
        {"Straße mit Leerzeichen", shown + "/Straße mit Leerzeichen/"},
        {"../shown", shown + "/"},
    };
    for (const auto& each : cases) {
        SCOPED_TRACE(each.typed);
        QtControlLayer controls;
        EXPECT_EQ(Choose(controls, shown,
                         [&](QFileDialog& dialog) { TypeAndPressEnter(dialog, each.typed); }),
                  each.chosen);
    }
}

} // namespace

} // namespace bk::test
