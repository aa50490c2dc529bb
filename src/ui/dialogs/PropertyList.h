#pragma once
#include <QAbstractScrollArea>
#include <QFont>
#include <QPointer>
#include <functional>
#include <string>

#include "config/ConfigFile.h"
#include "config/PropertyRows.h"
#include "ui/dialogs/PropertyDialogs.h"

namespace vyk {

// A scrolling grid of labelled values grouped under category rows, worked with the mouse:
// a click on a value opens its editor (a child with control id kEditorId) or its dialog, or
// inverts a check row. Rows scroll a whole row at a time.
class PropertyList : public QAbstractScrollArea {
  Q_OBJECT
 public:
  static constexpr int kEditorId = 1001;

  explicit PropertyList(const Settings& settings, QWidget* parent = nullptr);
  ~PropertyList() override;

  void ResetContent();
  int AddCategory(const std::string& label, std::int32_t kind = kPropertyCategory,
                  std::intptr_t userData = 0);
  int AddItem(const PropertyItemDesc& desc);
  bool RemoveItem(int id);
  void SetRowTextColor(Color colour);
  // Closes the open editor, keeping its value when it is valid.
  void CommitEdits();

  // Setters by label also repaint; the values are read from Rows().
  bool SetText(const std::string& label, const std::string& text);
  bool SetInt(const std::string& label, std::int32_t value);
  bool SetColor(const std::string& label, Color colour);
  bool SetFont(const std::string& label, const PropertyFont& font);
  bool SetOptions(const std::string& label, const std::vector<std::string>& options);
  const PropertyRows& Rows() const { return rows_; }

  void SetDialogs(PropertyDialogs dialogs) { dialogs_ = std::move(dialogs); }
  PropertyDialogs& Dialogs() { return dialogs_; }

  // The open editor (kEditorId) and the row it edits; null and 0 when none.
  QWidget* Editor() const { return editor_; }
  int EditorRow() const { return editorRow_; }

  // Rectangles of a row in viewport coordinates; empty for a hidden or unknown row.
  QRect RowRect(int id) const;
  QRect ValueRect(int id) const;
  QRect ButtonRect(int id) const;
  int FirstShown() const { return rows_.FirstShown(); }
  int ShownCount() const { return rows_.ShownCount(); }
  void ScrollRows(PropertyScroll action, int thumbPosition = 0);

  // Height of a window caption: every row is two pixels taller.
  int CaptionHeight() const;
  static QFont LabelFont();

 protected:
  bool event(QEvent* event) override;
  void paintEvent(QPaintEvent* event) override;
  void hideEvent(QHideEvent* event) override;
  void resizeEvent(QResizeEvent* event) override;
  void mousePressEvent(QMouseEvent* event) override;
  void mouseDoubleClickEvent(QMouseEvent* event) override;
  void keyPressEvent(QKeyEvent* event) override;

 private:
  bool HasKeyboard() const;
  void Relayout();
  void UpdateScrollBar();
  // Puts the open editor over its row, or hides it while the row is out of view.
  void PlaceEditor();
  QRect EditorRect(const PropertyItem& item) const;
  // warn: a refused number is explained in a message box.
  void Commit(bool warn);
  void OnScrollAction(int action);
  void Click(const QPoint& pos);
  void OpenEditor(PropertyItem& item);
  void ClickButton(PropertyItem& item);
  // The row's font or colour through its dialog; the choice goes into the row if the row
  // is still there when the dialog ends.
  template <class T>
  void Choose(const PropertyItem& item, T PropertyItemDesc::*value,
              const std::function<bool(QWidget*, T&)>& choose);
  void PaintRow(QPainter& p, const PropertyItem& item);

  const Settings& settings_;
  PropertyRows rows_;
  PropertyDialogs dialogs_;
  QPointer<QWidget> editor_;
  int editorRow_ = 0;
  int pressedButton_ = 0;
};

}  // namespace vyk
