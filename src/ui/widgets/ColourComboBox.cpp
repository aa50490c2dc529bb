#include "ui/widgets/ColourComboBox.h"

#include <QAbstractItemView>
#include <QLineEdit>
#include <QPainter>
#include <QStyledItemDelegate>

#include "core/ColourCodes.h"
#include "ui/widgets/ColourTextPainter.h"
#include "ui/widgets/TextCrossing.h"

namespace vyk {

namespace {

constexpr int kRawRole = Qt::UserRole + 1;

class ColourItemDelegate : public QStyledItemDelegate {
 public:
  ColourItemDelegate(const Settings& settings, QObject* parent)
      : QStyledItemDelegate(parent), settings_(settings) {}

  void paint(QPainter* painter, const QStyleOptionViewItem& option,
             const QModelIndex& index) const override {
    painter->save();
    painter->fillRect(option.rect, ToQColor(settings_.bgColor));
    if (option.state & QStyle::State_Selected) {
      const QRect r = option.rect.adjusted(0, 0, -1, -1);
      painter->setPen(QColor(128, 128, 128));
      painter->drawLine(r.topLeft(), r.topRight());
      painter->drawLine(r.topLeft(), r.bottomLeft());
      painter->setPen(QColor(255, 255, 255));
      painter->drawLine(r.bottomLeft(), r.bottomRight());
      painter->drawLine(r.topRight(), r.bottomRight());
    }
    painter->setFont(option.font);
    QRect text = option.rect.adjusted(1, 1, -1, -1);
    DrawColourText(*painter, text, index.data(kRawRole).toByteArray().toStdString());
    painter->restore();
  }

  QSize sizeHint(const QStyleOptionViewItem& option, const QModelIndex& index) const override {
    QSize s = QStyledItemDelegate::sizeHint(option, index);
    s.setHeight(option.fontMetrics.height() + 2);
    return s;
  }

 private:
  const Settings& settings_;
};

}  // namespace

ColourComboBox::ColourComboBox(const Settings& settings, QWidget* parent)
    : QComboBox(parent), settings_(settings) {
  setEditable(true);
  setInsertPolicy(QComboBox::NoInsert);
  setItemDelegate(new ColourItemDelegate(settings_, this));
}

int ColourComboBox::AddString(const std::string& text) {
  int at = count();
  for (int i = 0; i < count(); ++i) {
    if (CompareColourNames(text, ItemText(i)) < 0) {
      at = i;
      break;
    }
  }
  insertItem(at, FromGameText(text));
  setItemData(at, QByteArray(text.data(), static_cast<qsizetype>(text.size())), kRawRole);
  return at;
}

std::string ColourComboBox::ItemText(int index) const {
  return itemData(index, kRawRole).toByteArray().toStdString();
}

std::string ColourComboBox::EditText() const {
  return lineEdit() ? ToGameText(lineEdit()->text()) : ToGameText(currentText());
}

void ColourComboBox::SetEditText(const std::string& text) {
  setEditText(FromGameText(text));
}

}  // namespace vyk
