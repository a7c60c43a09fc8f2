#pragma once

#include <QWidget>
#include <cstdint>
#include <string>
#include <string_view>

class QAbstractItemView;
class QLabel;
class QLineEdit;
class QProgressBar;
class QPushButton;
class QListView;
class QTreeView;

namespace bk {

class RowModel;

// One control of a kind. Each kind gives the generic operations the meaning they have for it;
// an operation a kind does not have keeps the fallback of this base: nothing happens, the result
// is 0 or the empty text.
class QtControl {
  public:
    virtual ~QtControl() = default;
    virtual QWidget* widget() const = 0;

    virtual void addItem(std::int64_t, std::string_view) {}
    virtual void removeItem(std::int64_t) {}
    virtual void clearItems() {}
    virtual std::int64_t countItems() const { return 0; }
    virtual std::int64_t getState() const { return 0; }
    virtual void setState(std::int64_t) {}
    virtual std::string getText() const { return {}; }
    virtual void setText(std::string_view) {}
    virtual void setItemText(std::int64_t, std::string_view, int) {}
    virtual bool addColumn(int, std::string_view, int) { return false; }
    // Brings the screen up to date with changes kept back while the program works.
    virtual void flush() {}
};

class ButtonControl final : public QtControl {
  public:
    ButtonControl(QWidget* parent, std::string_view text);
    QWidget* widget() const override;
    QPushButton* button() const { return button_; }
    std::string getText() const override;
    void setText(std::string_view text) override;

  private:
    QPushButton* button_;
};

class TextFieldControl final : public QtControl {
  public:
    TextFieldControl(QWidget* parent, std::string_view text);
    QWidget* widget() const override;
    QLineEdit* field() const { return field_; }
    std::string getText() const override;
    void setText(std::string_view text) override;

  private:
    QLineEdit* field_;
};

class LabelControl final : public QtControl {
  public:
    LabelControl(QWidget* parent, std::string_view text);
    QWidget* widget() const override;
    std::string getText() const override;
    void setText(std::string_view text) override;

  private:
    QLabel* label_;
};

class ProgressBarControl final : public QtControl {
  public:
    ProgressBarControl(QWidget* parent, int maximum);
    QWidget* widget() const override;
    std::int64_t getState() const override;
    void setState(std::int64_t value) override;

  private:
    QProgressBar* bar_;
};

// The list kinds share their rows; they differ in columns and in what "the selected row" is.
class ListControl : public QtControl {
  public:
    void addItem(std::int64_t position, std::string_view text) override;
    void removeItem(std::int64_t item) override;
    void clearItems() override;
    std::int64_t countItems() const override;
    void setItemText(std::int64_t item, std::string_view text, int column) override;
    void flush() override;
    RowModel* model() const { return model_; }
    virtual QAbstractItemView* view() const = 0;

  protected:
    explicit ListControl(RowModel* model) : model_(model) {}
    std::int64_t currentRow() const;
    void selectRow(std::int64_t row);
    RowModel* model_;
};

// A list of single texts with one selectable entry.
class ListBoxControl final : public ListControl {
  public:
    explicit ListBoxControl(QWidget* parent);
    QWidget* widget() const override;
    QAbstractItemView* view() const override;
    std::int64_t getState() const override;
    void setState(std::int64_t row) override;
    std::string getText() const override;
    void setText(std::string_view text) override;
    void setItemText(std::int64_t item, std::string_view text, int column) override;

  private:
    QListView* list_;
};

// Rows with titled columns; the row with the focus mark is the selected one.
class ReportListControl final : public ListControl {
  public:
    ReportListControl(QWidget* parent, std::string_view firstColumnTitle, int firstColumnWidth);
    QWidget* widget() const override;
    QAbstractItemView* view() const override;
    std::int64_t getState() const override;
    void setState(std::int64_t row) override;
    std::string getText() const override;
    void setText(std::string_view text) override;
    bool addColumn(int position, std::string_view title, int width) override;

  private:
    QTreeView* tree_;
};

} // namespace bk
