#pragma once
#include <QHeaderView>

#include "config/ConfigFile.h"

namespace vyk {

// The header of a SkinnedListCtrl: skin background, a raised one-pixel edge per item, and
// the title of the list's sort column in selectedTextColor.
class SkinnedHeaderCtrl : public QHeaderView {
  Q_OBJECT
 public:
  SkinnedHeaderCtrl(const Settings& settings, QWidget* parent = nullptr);

  // -1 or a column that does not exist: no title is highlighted.
  void SetSortColumn(int column);
  int SortColumn() const { return sortColumn_; }

 protected:
  void paintEvent(QPaintEvent* event) override;
  void paintSection(QPainter* painter, const QRect& rect, int logicalIndex) const override;
  QSize sizeHint() const override;

 private:
  const Settings& settings_;
  int sortColumn_ = -1;
};

}  // namespace vyk
