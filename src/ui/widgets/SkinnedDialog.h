#pragma once
#include <QDialog>
#include <QHash>
#include <functional>
#include <string>

#include "config/ConfigFile.h"

class QAbstractButton;

namespace vyk {

struct DialogTemplate;
struct ControlTemplate;

// Base of every dialog: background and control colours come from the user's settings,
// plain push buttons are drawn flat with a one-pixel edge, default push buttons, check
// boxes and group boxes keep the standard look. Colours are read from the settings at
// every paint, so a changed bgColor shows at the next repaint.
class SkinnedDialog : public QDialog {
  Q_OBJECT
 public:
  // The command ids of OK and Cancel, and what exec() returns for them.
  static constexpr int kOk = 1;
  static constexpr int kCancel = 2;

  SkinnedDialog(const Settings& settings, QWidget* parent = nullptr);

  const Settings& GetSettings() const { return settings_; }

  // Creates the template's controls on this dialog, sizes it and applies the skin.
  // factory may make the widget of any control itself (see ControlFactory).
  void BuildFromTemplate(
      const DialogTemplate& tmpl,
      const std::function<QWidget*(const ControlTemplate&, QWidget*)>& factory = {});
  // The same for the template with that id (res/dialogs/<id>.dlg); one that does not load
  // builds an empty dialog.
  void BuildFromTemplate(
      int templateId,
      const std::function<QWidget*(const ControlTemplate&, QWidget*)>& factory = {});
  // Skin initialisation: plain push buttons become flat owner-drawn ones, colours applied.
  // BuildFromTemplate calls it; call it again after adding buttons by hand.
  void InitSkin();
  // Re-reads the colours from the settings now (done at every paint anyway).
  void ApplyColours();

  // The control with that template id (see DialogTemplate), or null.
  QWidget* Control(int id) const;
  template <class T>
  T* ControlAs(int id) const {
    return qobject_cast<T*>(Control(id));
  }
  void RegisterControl(int id, QWidget* w);

  // Command handler keyed by control or menu id: buttons and check boxes of the template
  // and pop-up menu entries arrive here, and so do Enter (kOk, when no default button
  // takes it), Escape, the close box, accept() (kOk) and reject() (kCancel). The base
  // emits commandIssued and ends the dialog with kOk or kCancel for those two ids.
  virtual void OnCommand(int id);
  // Ends the modal run; exec() returns result (kOk, kCancel, or any other id).
  void EndDialog(int result) { done(result); }

  void accept() override { OnCommand(kOk); }
  void reject() override { OnCommand(kCancel); }

  // Whether the flat skin draws this button (plain push button, not default).
  static bool IsSkinnedButton(const QWidget* w);

 signals:
  void commandIssued(int id);

 protected:
  void paintEvent(QPaintEvent* event) override;
  void keyPressEvent(QKeyEvent* event) override;
  bool eventFilter(QObject* watched, QEvent* event) override;

 private:
  void PaintFlatButton(QAbstractButton* button);

  const Settings& settings_;
  Color appliedBg_ = 0xFFFFFFFFu;
  Color appliedText_ = 0xFFFFFFFFu;
  QHash<int, QWidget*> controls_;
};

}  // namespace vyk
