#include "ui/widgets/DialogTemplate.h"

#include <QAbstractItemView>
#include <QCheckBox>
#include <QComboBox>
#include <QFile>
#include <QFontMetrics>
#include <QGroupBox>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QRegularExpressionValidator>
#include <algorithm>
#include <cstdlib>

#include "ui/widgets/ColourComboBox.h"
#include "ui/widgets/ColourStatic.h"
#include "ui/widgets/Resources.h"
#include "ui/widgets/SkinnedDialog.h"
#include "ui/widgets/SkinnedListCtrl.h"
#include "ui/widgets/TextCrossing.h"

namespace vyk {

bool ControlTemplate::Has(const std::string& flag) const {
  return std::find(flags.begin(), flags.end(), flag) != flags.end();
}

const ControlTemplate* DialogTemplate::Find(int controlId) const {
  for (const ControlTemplate& c : controls)
    if (c.id == controlId) return &c;
  return nullptr;
}

namespace {

// Splits a line into blank-separated tokens; quoted tokens keep their blanks.
bool Tokenize(const std::string& line, std::vector<std::string>& tokens, std::string& why) {
  tokens.clear();
  std::size_t i = 0;
  while (i < line.size()) {
    if (line[i] == ' ' || line[i] == '\t' || line[i] == '\r') {
      ++i;
      continue;
    }
    std::string tok;
    if (line[i] == '"') {
      ++i;
      bool closed = false;
      while (i < line.size()) {
        char c = line[i++];
        if (c == '"') {
          closed = true;
          break;
        }
        if (c == '\\' && i < line.size()) {
          char e = line[i++];
          c = e == 'n' ? '\n' : e;
        }
        tok += c;
      }
      if (!closed) {
        why = "unterminated quote";
        return false;
      }
    } else {
      while (i < line.size() && line[i] != ' ' && line[i] != '\t' && line[i] != '\r')
        tok += line[i++];
    }
    tokens.push_back(tok);
  }
  return true;
}

bool ToInt(const std::string& s, int& out) {
  if (s.empty() || s.size() > 9) return false;
  char* end = nullptr;
  const long v = std::strtol(s.c_str(), &end, 10);
  if (*end != '\0') return false;
  out = static_cast<int>(v);
  return true;
}

const char* const kKinds[] = {"button",   "checkbox", "groupbox", "static",  "colourstatic", "edit",
                              "textarea", "combo",    "listview", "listbox", "ipaddress"};

}  // namespace

bool ParseDialogTemplate(const std::string& text, DialogTemplate& out, std::string* error) {
  DialogTemplate t;
  bool haveHeader = false;
  std::vector<std::string> tok;
  std::size_t start = 0;
  int lineNo = 0;
  auto fail = [&](const std::string& why) {
    if (error) *error = "line " + std::to_string(lineNo) + ": " + why;
    return false;
  };
  while (start <= text.size()) {
    std::size_t end = text.find('\n', start);
    if (end == std::string::npos) end = text.size();
    const std::string line = text.substr(start, end - start);
    start = end + 1;
    ++lineNo;
    std::string why;
    if (!Tokenize(line, tok, why)) return fail(why);
    if (tok.empty() || tok[0][0] == '#') continue;
    if (tok[0] == "dialog") {
      if (tok.size() != 5 || !ToInt(tok[1], t.id) || !ToInt(tok[2], t.width) ||
          !ToInt(tok[3], t.height) || t.width <= 0 || t.height <= 0)
        return fail("expected: dialog <id> <width> <height> \"<caption>\"");
      t.caption = tok[4];
      haveHeader = true;
    } else if (tok[0] == "font") {
      if (tok.size() != 3 || !ToInt(tok[2], t.fontPointSize) || t.fontPointSize <= 0)
        return fail("expected: font \"<name>\" <points>");
      t.fontName = tok[1];
    } else if (tok[0] == "control") {
      ControlTemplate c;
      if (tok.size() < 8 || !ToInt(tok[1], c.id) || !ToInt(tok[3], c.x) || !ToInt(tok[4], c.y) ||
          !ToInt(tok[5], c.width) || !ToInt(tok[6], c.height) || c.width < 0 || c.height < 0)
        return fail("expected: control <id> <kind> <x> <y> <width> <height> \"<text>\" [flags]");
      c.kind = tok[2];
      if (std::none_of(std::begin(kKinds), std::end(kKinds),
                       [&](const char* k) { return c.kind == k; }))
        return fail("unknown control kind " + c.kind);
      c.text = tok[7];
      c.flags.assign(tok.begin() + 8, tok.end());
      if (c.id != kUnnamedControl && t.Find(c.id)) return fail("duplicate control id " + tok[1]);
      t.controls.push_back(c);
    } else {
      return fail("unknown keyword " + tok[0]);
    }
  }
  if (!haveHeader) {
    if (error) *error = "no dialog line";
    return false;
  }
  out = std::move(t);
  return true;
}

bool LoadDialogTemplate(int id, DialogTemplate& out, std::string* error) {
  InitResources();
  QFile f(QStringLiteral(":/dialogs/%1.dlg").arg(id));
  if (!f.open(QIODevice::ReadOnly)) {
    if (error) *error = "no dialog template " + std::to_string(id);
    return false;
  }
  const QByteArray data = f.readAll();
  return ParseDialogTemplate(data.toStdString(), out, error);
}

DialogBaseUnits BaseUnitsOf(const QFont& font) {
  const QFontMetrics fm(font);
  const QString letters = QStringLiteral("ABCDEFGHIJKLMNOPQRSTUVWXYZabcdefghijklmnopqrstuvwxyz");
  DialogBaseUnits u;
  u.x = std::max(1, (fm.horizontalAdvance(letters) / 26 + 1) / 2);
  u.y = std::max(1, fm.height());
  return u;
}

namespace {
int MulDiv(int a, int b, int c) {
  const long long p = static_cast<long long>(a) * b;
  return static_cast<int>((p >= 0 ? p + c / 2 : p - c / 2) / c);
}
}  // namespace

QRect MapDialogRect(const DialogBaseUnits& u, int x, int y, int width, int height) {
  const int left = MulDiv(x, u.x, 4);
  const int top = MulDiv(y, u.y, 8);
  const int right = MulDiv(x + width, u.x, 4);
  const int bottom = MulDiv(y + height, u.y, 8);
  return QRect(left, top, right - left, bottom - top);
}

QFont TemplateFont(const DialogTemplate& tmpl) {
#ifdef Q_OS_WIN
  // Windows shows the dialogs' "MS Sans Serif" in its TrueType successor; Qt
  // there lists TrueType families only, and without a match takes a serif face.
  static const bool substituted = [] {
    QFont::insertSubstitutions(QStringLiteral("MS Sans Serif"),
                               {QStringLiteral("Microsoft Sans Serif"), QStringLiteral("Tahoma"),
                                QStringLiteral("DejaVu Sans")});
    return true;
  }();
  static_cast<void>(substituted);
#endif
  QFont f(FromGameText(tmpl.fontName), tmpl.fontPointSize);
  f.setStyleHint(QFont::SansSerif);
  return f;
}

namespace {

QWidget* MakeDefaultControl(SkinnedDialog& dialog, const ControlTemplate& c) {
  const QString text = FromGameText(c.text);
  const Settings& settings = dialog.GetSettings();
  if (c.kind == "button") {
    auto* b = new QPushButton(text, &dialog);
    b->setAutoDefault(false);
    if (c.Has("default")) b->setDefault(true);
    return b;
  }
  if (c.kind == "checkbox") return new QCheckBox(text, &dialog);
  if (c.kind == "groupbox") return new QGroupBox(text, &dialog);
  if (c.kind == "static") {
    auto* l = new QLabel(text, &dialog);
    l->setAlignment(Qt::AlignLeft | (c.Has("vcenter") ? Qt::AlignVCenter : Qt::AlignTop));
    if (c.Has("sunken")) l->setFrameStyle(QFrame::Panel | QFrame::Sunken);
    return l;
  }
  if (c.kind == "colourstatic") {
    auto* s = new ColourStatic(settings, &dialog);
    if (c.Has("sunken")) s->setFrameStyle(QFrame::Panel | QFrame::Sunken);
    s->SetText(c.text);
    return s;
  }
  if (c.kind == "edit" || c.kind == "ipaddress") {
    auto* e = new QLineEdit(text, &dialog);
    if (c.Has("password")) e->setEchoMode(QLineEdit::Password);
    if (c.Has("readonly")) e->setReadOnly(true);
    if (c.kind == "ipaddress") {
      e->setValidator(new QRegularExpressionValidator(
          QRegularExpression(QStringLiteral("^[0-9]{0,3}(\\.[0-9]{0,3}){0,3}$")), e));
    }
    return e;
  }
  if (c.kind == "textarea") {
    auto* e = new QPlainTextEdit(text, &dialog);
    e->setReadOnly(c.Has("readonly"));
    if (c.Has("hscroll")) e->setLineWrapMode(QPlainTextEdit::NoWrap);
    e->setVerticalScrollBarPolicy(c.Has("vscroll") ? Qt::ScrollBarAlwaysOn : Qt::ScrollBarAsNeeded);
    e->setHorizontalScrollBarPolicy(c.Has("hscroll") ? Qt::ScrollBarAlwaysOn
                                                     : Qt::ScrollBarAsNeeded);
    return e;
  }
  if (c.kind == "combo") {
    if (c.Has("ownerdraw")) return new ColourComboBox(settings, &dialog);
    auto* cb = new QComboBox(&dialog);
    cb->setEditable(!c.Has("dropdownlist"));
    if (c.Has("sorted")) cb->setInsertPolicy(QComboBox::InsertAlphabetically);
    return cb;
  }
  if (c.kind == "listview") {
    auto* list = new SkinnedListCtrl(settings, &dialog);
    list->SetSortAscending(c.Has("sortascending"));
    return list;
  }
  if (c.kind == "listbox") return new QListWidget(&dialog);
  return nullptr;
}

}  // namespace

void BuildDialogControls(SkinnedDialog& dialog, const DialogTemplate& tmpl,
                         const ControlFactory& factory) {
  const QFont font = TemplateFont(tmpl);
  dialog.setFont(font);
  dialog.setWindowTitle(FromGameText(tmpl.caption));
  const DialogBaseUnits units = BaseUnitsOf(font);
  const QRect client = MapDialogRect(units, 0, 0, tmpl.width, tmpl.height);
  dialog.resize(client.size());

  std::vector<QWidget*> groups;
  for (const ControlTemplate& c : tmpl.controls) {
    QWidget* w = factory ? factory(c, &dialog) : nullptr;
    if (!w) w = MakeDefaultControl(dialog, c);
    if (!w) continue;
    if (w->parentWidget() != &dialog) w->setParent(&dialog);
    QRect r = MapDialogRect(units, c.x, c.y, c.width, c.height);
    // A combo's template height includes its dropped list; the closed box is one line.
    if (auto* cb = qobject_cast<QComboBox*>(w)) r.setHeight(cb->sizeHint().height());
    w->setGeometry(r);
    if (auto* list = qobject_cast<SkinnedListCtrl*>(w); list && c.Has("sortascending"))
      list->SetSortAscending(true);
    if (c.Has("disabled")) w->setEnabled(false);
    if (c.Has("hidden")) w->hide();
    dialog.RegisterControl(c.id, w);
    const int id = c.id;
    if (auto* b = qobject_cast<QAbstractButton*>(w))
      QObject::connect(b, &QAbstractButton::clicked, &dialog,
                       [&dialog, id] { dialog.OnCommand(id); });
    if (qobject_cast<QGroupBox*>(w)) groups.push_back(w);
  }
  // The skin's style sheets cut its lists off from the dialog's font, and item
  // and header views would then take the system theme's own (Windows has one).
  for (QAbstractItemView* view : dialog.findChildren<QAbstractItemView*>()) view->setFont(font);
  // Group boxes are siblings of their controls and must stay behind them.
  for (QWidget* g : groups) g->lower();
}

}  // namespace vyk
