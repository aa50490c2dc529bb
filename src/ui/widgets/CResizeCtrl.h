#pragma once
#include <QObject>
#include <QPointer>
#include <QSize>
#include <vector>

#include "core/ResizeLayout.h"

class QWidget;

namespace vyk {

// Makes a dialog resizable: every registered control takes fixed shares (out of `whole`)
// of each change of the dialog's client size for its left, top, width and height. It
// watches the dialog's resize events, so the dialog class needs no size handling.
class CResizeCtrl : public QObject {
  Q_OBJECT
 public:
  static constexpr const char* kPropertyName = "___CResizeCtrl___Class___";

  explicit CResizeCtrl(QObject* parent = nullptr);
  ~CResizeCtrl() override;

  // Once per object; a second call returns false. With enable the layout is on at once.
  bool Create(QWidget* dialog, bool enable = true, int whole = 100);
  // False when the state does not change.
  bool SetEnabled(bool on);
  bool IsEnabled() const { return enabled_; }

  // Looks the control up by its template id among the dialog's children ("controlId").
  // Refused when a share is negative or above the whole, left + width or top + height
  // exceed it, or no such control exists.
  bool AddControl(int controlId, int left, int top, int width, int height);
  bool AddControl(QWidget* control, int left, int top, int width, int height);
  int ControlCount() const { return static_cast<int>(controls_.size()); }

  // The smallest size the user can drag the dialog to; no arguments: its current size.
  void SetMinimumTrackingSize(int width, int height);
  void SetMinimumTrackingSize();
  void SetMaximumTrackingSize(int width, int height);

 protected:
  bool eventFilter(QObject* watched, QEvent* event) override;

 private:
  void Layout(int cx, int cy);

  bool created_ = false;
  bool initiallySizable_ = false;
  bool enabled_ = false;
  QPointer<QWidget> window_;
  QSize last_;
  ResizeLayout layout_;
  std::vector<QPointer<QWidget>> controls_;
  int minWidth_ = -1, minHeight_ = -1, maxWidth_ = -1, maxHeight_ = -1;
  bool busy_ = false;
};

}  // namespace vyk
