#include "ui/dialogs/PropertyList.h"

#include <QComboBox>
#include <QKeyEvent>
#include <QLineEdit>
#include <QMouseEvent>
#include <QPainter>
#include <QRegularExpressionValidator>
#include <QScrollBar>
#include <QStyle>
#include <utility>

#include "ui/widgets/TextCrossing.h"

namespace vyk {

namespace {

constexpr int kComboListDepth = 150;
constexpr int kValueIndent = 5;
constexpr int kTextTop = 2;

QRect ToQRect(const PropertyRect& r) {
  return QRect(r.left, r.top, r.Width(), r.Height());
}

// One-pixel border of r: top and left in one colour, bottom and right in the other.
void DrawEdgeLines(QPainter& p, const QRect& r, const QColor& topLeft, const QColor& bottomRight) {
  if (r.width() <= 0 || r.height() <= 0) return;
  p.setPen(topLeft);
  p.drawLine(r.left(), r.top(), r.right(), r.top());
  p.drawLine(r.left(), r.top(), r.left(), r.bottom());
  p.setPen(bottomRight);
  p.drawLine(r.left(), r.bottom(), r.right(), r.bottom());
  p.drawLine(r.right(), r.top(), r.right(), r.bottom());
}

void DrawSunkenEdge(QPainter& p, const QRect& r) {
  DrawEdgeLines(p, r, QColor(128, 128, 128), QColor(255, 255, 255));
  DrawEdgeLines(p, r.adjusted(1, 1, -1, -1), QColor(64, 64, 64), QColor(212, 208, 200));
}

void DrawCheckBox(QPainter& p, const QRect& box, bool checked) {
  p.fillRect(box, Qt::white);
  DrawSunkenEdge(p, box);
  if (!checked) return;
  const QRectF in = QRectF(box).adjusted(3.5, 3.5, -3.5, -3.5);
  QPen pen(Qt::black, std::max(1.5, in.width() / 6.0));
  pen.setCapStyle(Qt::SquareCap);
  p.save();
  p.setRenderHint(QPainter::Antialiasing, true);
  p.setPen(pen);
  const QPointF a(in.left(), in.top() + in.height() * 0.55);
  const QPointF b(in.left() + in.width() * 0.38, in.bottom());
  const QPointF c(in.right(), in.top());
  p.drawLine(a, b);
  p.drawLine(b, c);
  p.restore();
}

// A file row holds a path, which the file system reads as its own bytes.
QString RowText(const PropertyItem& item) {
  return item.kind == kPropertyFile ? FromFileName(item.text) : FromGameText(item.text);
}

std::string RowText(const PropertyItem& item, const QString& text) {
  return item.kind == kPropertyFile ? ToFileName(text) : ToGameText(text);
}

QString ValueText(const PropertyItem& item) {
  switch (item.kind) {
    case kPropertyText:
    case kPropertyFile:
    case kPropertyChoice:
      return RowText(item);
    case kPropertyNumber:
    case kPropertyBoundedNumber:
      return QString::number(item.integer);
    case kPropertyFont:
      return FromGameText(item.font.faceName);
    default:
      return QString();
  }
}

// The value area of a row that is not a category: a check box, a colour or a text.
void PaintValue(QPainter& p, const PropertyItem& item) {
  const QRect row = ToQRect(item.rowRect);
  const int textTop = row.top() + kTextTop;
  const QRect value = ToQRect(item.valueRect);
  switch (item.kind) {
    case kPropertyCheck: {
      const int side = std::min(value.height(), value.width()) - 2;
      if (side > 0)
        DrawCheckBox(p, QRect(value.left() + 1, value.top() + 1, side, side), item.flag);
      break;
    }
    case kPropertyColour: {
      const QRect edge = value.adjusted(1, 1, -1, -1);
      DrawSunkenEdge(p, edge);
      p.fillRect(edge.adjusted(1, 1, -1, -1), ToQColor(item.colour));
      break;
    }
    default: {
      p.save();
      p.setClipRect(value);
      p.setPen(ToQColor(item.textColor));
      p.drawText(QRect(value.left() + kValueIndent, textTop,
                       std::max(0, value.width() - kValueIndent), row.bottom() - textTop + 1),
                 Qt::AlignLeft | Qt::AlignTop | Qt::TextSingleLine, ValueText(item));
      p.restore();
      break;
    }
  }
}

// The "..." button of a file row, sunken while it is pressed.
void PaintFileButton(QPainter& p, const PropertyItem& item, bool down) {
  const QRect button = ToQRect(item.buttonRect);
  DrawEdgeLines(p, button, down ? Qt::black : Qt::white, down ? Qt::white : Qt::black);
  QFont small(QStringLiteral("Arial"), 7);
  small.setStyleHint(QFont::SansSerif);
  p.save();
  p.setFont(small);
  p.setPen(ToQColor(item.textColor));
  p.setClipRect(button);
  p.drawText(QRect(button.left() + 3, button.top() + 3, button.width() - 3, button.height() - 3),
             Qt::AlignLeft | Qt::AlignTop | Qt::TextSingleLine, QStringLiteral("..."));
  p.restore();
}

}  // namespace

PropertyList::PropertyList(const Settings& settings, QWidget* parent)
    : QAbstractScrollArea(parent), settings_(settings), dialogs_(PropertyDialogs::Standard()) {
  setVerticalScrollBarPolicy(Qt::ScrollBarAlwaysOn);
  setHorizontalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
  setFrameStyle(QFrame::Box | QFrame::Plain);
  setLineWidth(1);
  QPalette pal = palette();
  pal.setColor(QPalette::WindowText, QColor(128, 128, 128));
  setPalette(pal);
  setFocusPolicy(Qt::StrongFocus);
  viewport()->setAutoFillBackground(false);
  verticalScrollBar()->setSingleStep(1);
  connect(verticalScrollBar(), &QScrollBar::actionTriggered, this,
          [this](int action) { OnScrollAction(action); });
  UpdateScrollBar();
}

PropertyList::~PropertyList() = default;

QFont PropertyList::LabelFont() {
  QFont f(QStringLiteral("Arial"), 8);
  f.setStyleHint(QFont::SansSerif, QFont::PreferQuality);
  f.setWeight(QFont::Normal);
  return f;
}

int PropertyList::CaptionHeight() const {
  const int h = style()->pixelMetric(QStyle::PM_TitleBarHeight, nullptr, this);
  return h >= 12 ? h : 18;
}

void PropertyList::ResetContent() {
  CommitEdits();
  rows_.ResetContent();
  Relayout();
}

int PropertyList::AddCategory(const std::string& label, std::int32_t kind, std::intptr_t userData) {
  const int id = rows_.AddCategory(label, kind, userData);
  Relayout();
  return id;
}

int PropertyList::AddItem(const PropertyItemDesc& desc) {
  const int id = rows_.AddItem(desc);
  Relayout();
  return id;
}

bool PropertyList::RemoveItem(int id) {
  if (id == editorRow_) CommitEdits();
  if (!rows_.RemoveItem(id)) return false;
  if (editorRow_ > id) --editorRow_;
  Relayout();
  return true;
}

void PropertyList::SetRowTextColor(Color colour) {
  rows_.SetRowTextColor(colour);
  viewport()->update();
}

bool PropertyList::SetText(const std::string& label, const std::string& text) {
  viewport()->update();
  return rows_.SetText(label, text);
}
bool PropertyList::SetInt(const std::string& label, std::int32_t value) {
  viewport()->update();
  return rows_.SetInt(label, value);
}
bool PropertyList::SetColor(const std::string& label, Color colour) {
  viewport()->update();
  return rows_.SetColor(label, colour);
}
bool PropertyList::SetFont(const std::string& label, const PropertyFont& font) {
  viewport()->update();
  return rows_.SetFont(label, font);
}
bool PropertyList::SetOptions(const std::string& label, const std::vector<std::string>& options) {
  viewport()->update();
  return rows_.SetOptions(label, options);
}

QRect PropertyList::RowRect(int id) const {
  const PropertyItem* item = rows_.ById(id);
  return item && item->shown ? ToQRect(item->rowRect) : QRect();
}

QRect PropertyList::ValueRect(int id) const {
  const PropertyItem* item = rows_.ById(id);
  return item && item->shown ? ToQRect(item->valueRect) : QRect();
}

QRect PropertyList::ButtonRect(int id) const {
  const PropertyItem* item = rows_.ById(id);
  return item && item->shown ? ToQRect(item->buttonRect) : QRect();
}

void PropertyList::Relayout() {
  rows_.Layout(viewport()->width(), viewport()->height(), CaptionHeight());
  UpdateScrollBar();
  PlaceEditor();
  viewport()->update();
}

QRect PropertyList::EditorRect(const PropertyItem& item) const {
  const QRect value = ToQRect(item.valueRect);
  if (item.kind != kPropertyChoice) return value.adjusted(1, 1, -1, -1);
  return item.editable ? value.adjusted(0, -1, 0, 1) : value;
}

void PropertyList::PlaceEditor() {
  if (!editor_) return;
  const PropertyItem* item = rows_.ById(editorRow_);
  if (item && item->shown) {
    editor_->setGeometry(EditorRect(*item));
    editor_->show();
    return;
  }
  // Out of view it keeps its text; the focus stays in the list rather than wander to a
  // button, where Enter or a blank would act on the dialog.
  if (editor_->hasFocus()) setFocus(Qt::OtherFocusReason);
  editor_->hide();
}

void PropertyList::UpdateScrollBar() {
  QScrollBar* bar = verticalScrollBar();
  const QSignalBlocker block(bar);
  bar->setRange(0, rows_.Count());
  bar->setPageStep(std::max(1, rows_.ShownCount()));
  bar->setValue(rows_.ScrollPosition());
  bar->setEnabled(true);
}

void PropertyList::ScrollRows(PropertyScroll action, int thumbPosition) {
  // An open editor moves with its row and keeps what has been typed.
  rows_.Scroll(action, thumbPosition);
  verticalScrollBar()->setSliderPosition(rows_.ScrollPosition());
  PlaceEditor();
  viewport()->update();
}

void PropertyList::OnScrollAction(int action) {
  static constexpr std::pair<int, PropertyScroll> kScrolls[] = {
      {QAbstractSlider::SliderSingleStepSub, PropertyScroll::kLineUp},
      {QAbstractSlider::SliderSingleStepAdd, PropertyScroll::kLineDown},
      {QAbstractSlider::SliderPageStepSub, PropertyScroll::kPageUp},
      {QAbstractSlider::SliderPageStepAdd, PropertyScroll::kPageDown},
      {QAbstractSlider::SliderToMinimum, PropertyScroll::kTop},
      {QAbstractSlider::SliderToMaximum, PropertyScroll::kBottom},
      {QAbstractSlider::SliderMove, PropertyScroll::kThumb},
  };
  for (const auto& [sliderAction, scroll] : kScrolls) {
    if (sliderAction != action) continue;
    // The slider has already moved for the action; the rows decide where it ends.
    ScrollRows(scroll, verticalScrollBar()->sliderPosition());
    return;
  }
}

void PropertyList::CommitEdits() {
  Commit(true);
}

void PropertyList::Commit(bool warn) {
  if (!editor_) {
    editorRow_ = 0;
    return;
  }
  // Detach first: the message box below runs an event loop that may come back here.
  QPointer<QWidget> editor = editor_;
  const int id = editorRow_;
  editor_ = nullptr;
  editorRow_ = 0;
  PropertyItem* item = rows_.ById(id);
  if (item) {
    std::string text;
    if (auto* edit = qobject_cast<QLineEdit*>(editor.data())) {
      text = RowText(*item, edit->text());
    } else if (auto* combo = qobject_cast<QComboBox*>(editor.data())) {
      // A list without a chosen entry has no text to give; the row keeps its own.
      text = combo->isEditable() || combo->currentIndex() >= 0 ? ToGameText(combo->currentText())
                                                               : item->text;
    }
    switch (item->kind) {
      case kPropertyText:
      case kPropertyFile:
      case kPropertyChoice:
        item->text = text;
        break;
      case kPropertyNumber:
      case kPropertyBoundedNumber:
        if (!rows_.CommitNumber(id, text) && warn && dialogs_.warn)
          dialogs_.warn(this, BoundsMessage(item->minimum, item->maximum), kBoundsCaption);
        break;
      default:
        break;
    }
  }
  if (editor) {
    editor->hide();
    editor->deleteLater();
  }
  viewport()->update();
}

bool PropertyList::HasKeyboard() const {
  // The list itself, not its editor, is the window's focus widget.
  return window()->focusWidget() == this;
}

bool PropertyList::event(QEvent* event) {
  // Every key is wanted, Tab included, and none of them does anything.
  if (event->type() == QEvent::KeyPress && HasKeyboard()) {
    event->accept();
    return true;
  }
  return QAbstractScrollArea::event(event);
}

void PropertyList::keyPressEvent(QKeyEvent* event) {
  // Keys of an editor that it does not use go on to the dialog, as in any edit field.
  if (HasKeyboard())
    event->accept();
  else
    event->ignore();
}

void PropertyList::hideEvent(QHideEvent* event) {
  // The dialog closing, not the window being minimised. A refused number goes without a
  // message: the dialog it would explain is already gone.
  if (!event->spontaneous()) Commit(false);
  QAbstractScrollArea::hideEvent(event);
}

void PropertyList::resizeEvent(QResizeEvent* event) {
  CommitEdits();
  QAbstractScrollArea::resizeEvent(event);
  Relayout();
}

void PropertyList::mousePressEvent(QMouseEvent* event) {
  if (event->button() != Qt::LeftButton) {
    QAbstractScrollArea::mousePressEvent(event);
    return;
  }
  setFocus(Qt::MouseFocusReason);
  Click(event->position().toPoint());
}

void PropertyList::mouseDoubleClickEvent(QMouseEvent* event) {
  // A quick second click is a click like the first.
  mousePressEvent(event);
}

template <class T>
void PropertyList::Choose(const PropertyItem& item, T PropertyItemDesc::*value,
                          const std::function<bool(QWidget*, T&)>& choose) {
  T chosen = item.*value;
  const int id = item.id;
  if (choose && choose(this, chosen)) {
    if (PropertyItem* again = rows_.ById(id)) again->*value = chosen;
  }
  viewport()->update();
}

void PropertyList::Click(const QPoint& pos) {
  CommitEdits();
  const PropertyHit hit = rows_.HitTest(pos.x(), pos.y());
  PropertyItem* item = rows_.ById(hit.id);
  if (!item) return;
  if (hit.area == PropertyArea::kButton) {
    ClickButton(*item);
    return;
  }
  switch (item->kind) {
    case kPropertyText:
    case kPropertyFile:
    case kPropertyNumber:
    case kPropertyBoundedNumber:
    case kPropertyChoice:
      OpenEditor(*item);
      break;
    case kPropertyFont:
      Choose(*item, &PropertyItemDesc::font, dialogs_.chooseFont);
      break;
    case kPropertyColour:
      Choose(*item, &PropertyItemDesc::colour, dialogs_.chooseColour);
      break;
    case kPropertyCheck:
      rows_.Toggle(item->id);
      viewport()->update();
      break;
    default:
      break;
  }
}

void PropertyList::ClickButton(PropertyItem& item) {
  const int id = item.id;
  std::string path = item.text;
  const bool open = item.openMode != 0;
  const std::string filter = item.fileFilter;
  pressedButton_ = id;
  viewport()->repaint(ToQRect(item.buttonRect));
  const bool chosen = dialogs_.chooseFile && dialogs_.chooseFile(this, open, filter, path);
  pressedButton_ = 0;
  if (PropertyItem* again = rows_.ById(id); again && chosen) again->text = path;
  viewport()->update();
}

void PropertyList::OpenEditor(PropertyItem& item) {
  QWidget* editor = nullptr;
  if (item.kind == kPropertyChoice) {
    auto* combo = new QComboBox(viewport());
    combo->setEditable(item.editable != 0);
    for (const std::string& option : item.options) combo->addItem(FromGameText(option));
    combo->setFont(LabelFont());
    const int lineHeight = std::max(1, QFontMetrics(combo->font()).height());
    combo->setMaxVisibleItems(std::max(1, kComboListDepth / lineHeight));
    combo->setCurrentIndex(combo->findText(FromGameText(item.text), Qt::MatchExactly));
    if (combo->isEditable()) combo->setEditText(FromGameText(item.text));
    editor = combo;
  } else {
    auto* edit = new QLineEdit(viewport());
    edit->setFrame(false);
    edit->setFont(LabelFont());
    if (item.kind == kPropertyNumber || item.kind == kPropertyBoundedNumber) {
      edit->setValidator(
          new QRegularExpressionValidator(QRegularExpression(QStringLiteral("[0-9]*")), edit));
      edit->setText(QString::number(item.integer));
    } else {
      edit->setText(RowText(item));
    }
    edit->selectAll();
    editor = edit;
  }
  editor->setGeometry(EditorRect(item));
  editor->setProperty("controlId", kEditorId);
  editor->setObjectName(QStringLiteral("propertyEditor"));
  editor_ = editor;
  editorRow_ = item.id;
  editor->show();
  editor->setFocus(Qt::MouseFocusReason);
}

void PropertyList::paintEvent(QPaintEvent* event) {
  QPainter p(viewport());
  p.fillRect(event->rect(), ToQColor(settings_.bgColor));
  p.setFont(LabelFont());
  for (const PropertyItem& item : rows_.Items())
    if (item.shown) PaintRow(p, item);
}

void PropertyList::PaintRow(QPainter& p, const PropertyItem& item) {
  const QColor fg = ToQColor(item.textColor);
  const QRect row = ToQRect(item.rowRect);
  const int textTop = row.top() + kTextTop;
  p.setBackgroundMode(Qt::TransparentMode);
  if (item.kind == kPropertyCategory) {
    p.fillRect(row, fg);
    p.setPen(ToQColor(settings_.bgColor));
    const QRect area(row.left() + 2, textTop, row.width() - 2, row.bottom() - textTop + 1);
    p.drawText(area, Qt::AlignLeft | Qt::AlignTop | Qt::TextSingleLine, FromGameText(item.label));
    return;
  }
  const QRect label = ToQRect(item.labelRect);
  p.setPen(fg);
  p.setBrush(Qt::NoBrush);
  p.drawRect(row.adjusted(0, 0, -1, -1));
  // The label's frame starts at the row's edge, so it adds only the line between label and
  // value; the label text keeps its two pixels of room.
  p.drawRect(QRect(row.left(), row.top(), label.right() + 1 - row.left(), row.height())
                 .adjusted(0, 0, -1, -1));
  p.save();
  p.setClipRect(label);
  p.drawText(QRect(label.left(), textTop, label.width(), row.bottom() - textTop + 1),
             Qt::AlignLeft | Qt::AlignTop | Qt::TextSingleLine, FromGameText(item.label));
  p.restore();

  PaintValue(p, item);
  if (item.kind == kPropertyFile) PaintFileButton(p, item, pressedButton_ == item.id);
}

}  // namespace vyk
