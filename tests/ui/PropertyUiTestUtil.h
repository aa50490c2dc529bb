#pragma once
// Drives a property list the way a user does: mouse presses on row areas, typed keys.
#include <QApplication>
#include <QKeyEvent>
#include <QMouseEvent>
#include <QWidget>
#include <string>

#include "ui/dialogs/PropertyList.h"

namespace vyk::test {

inline void Press(QWidget* target, const QPoint& pos,
                  QEvent::Type type = QEvent::MouseButtonPress) {
  QMouseEvent press(type, QPointF(pos), QPointF(target->mapToGlobal(pos)), Qt::LeftButton,
                    Qt::LeftButton, Qt::NoModifier);
  QApplication::sendEvent(target, &press);
  QMouseEvent release(QEvent::MouseButtonRelease, QPointF(pos), QPointF(target->mapToGlobal(pos)),
                      Qt::LeftButton, Qt::NoButton, Qt::NoModifier);
  QApplication::sendEvent(target, &release);
}

inline void Key(QWidget* target, int key, const QString& text = QString()) {
  QKeyEvent press(QEvent::KeyPress, key, Qt::NoModifier, text);
  QApplication::sendEvent(target, &press);
  QKeyEvent release(QEvent::KeyRelease, key, Qt::NoModifier, text);
  QApplication::sendEvent(target, &release);
}

// Printable ASCII: the key code of a character is its upper-case code.
inline void Type(QWidget* target, const QString& text) {
  for (QChar c : text) Key(target, c.toUpper().unicode(), QString(c));
}

// Brings the row into view and returns its id.
inline int ShowRow(PropertyList& list, const std::string& label) {
  const PropertyItem* item = list.Rows().Find(label);
  if (!item) return 0;
  const int id = item->id;
  if (!item->shown) list.ScrollRows(PropertyScroll::kThumb, id - 1);
  return id;
}

inline void ClickValue(PropertyList& list, const std::string& label) {
  const int id = ShowRow(list, label);
  Press(list.viewport(), list.ValueRect(id).center());
}

// The visible child of the list with control id 1001, if any.
inline QWidget* VisibleEditor(PropertyList& list) {
  for (QWidget* w : list.findChildren<QWidget*>()) {
    if (w->property("controlId").toInt() == PropertyList::kEditorId && w->isVisible()) return w;
  }
  return nullptr;
}

}  // namespace vyk::test
