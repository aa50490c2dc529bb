#include "ui/dialogs/OptionsDialog.h"

#include "ui/dialogs/PropertyList.h"
#include "ui/widgets/CResizeCtrl.h"
#include "ui/widgets/DialogTemplate.h"
#include "ui/widgets/ResourceIds.h"

namespace vyk {

OptionsDialog::OptionsDialog(Settings& settings, QWidget* parent)
    : CommandDialog(settings, parent), settings_(settings) {
  BuildFromTemplate(kOptionsTemplate,
                    [this](const ControlTemplate& c, QWidget* parentWidget) -> QWidget* {
                      if (c.id != kListId) return nullptr;
                      list_ = new PropertyList(settings_, parentWidget);
                      return list_;
                    });
  if (!list_) {
    // Without its template the dialog still works: the list fills it.
    list_ = new PropertyList(settings_, this);
    list_->setGeometry(rect());
    RegisterControl(kListId, list_);
  }
  Fill();

  resize_ = new CResizeCtrl(this);
  resize_->Create(this, true, 100);
  resize_->AddControl(kListId, 0, 0, 100, 100);
  resize_->AddControl(kOk, 100, 100, 0, 0);
  resize_->AddControl(kCancel, 100, 100, 0, 0);
  resize_->SetMinimumTrackingSize();
}

void OptionsDialog::Fill() {
  list_->ResetContent();
  PropertyRows rows;
  FillOptionRows(rows, settings_);
  for (const PropertyItem& item : rows.Items()) {
    if (item.kind == kPropertyCategory)
      list_->AddCategory(item.label, item.kind, item.userData);
    else
      list_->AddItem(item);
  }
  list_->SetRowTextColor(settings_.textColor);
}

OptionsDialog::CommandTable OptionsDialog::Commands() {
  static constexpr Command kCommands[] = {{kOk, &OptionsDialog::WriteAndClose}};
  return kCommands;
}

void OptionsDialog::WriteAndClose() {
  list_->CommitEdits();
  WriteOptionRows(list_->Rows(), writer_);
  LoadSettings(settings_);
  SkinnedDialog::OnCommand(kOk);
}

}  // namespace vyk
