// SPDX-License-Identifier: GPL-3.0-or-later
#include "files/PhoneBookVCard.h"

#include <QHash>
#include <QRegularExpression>
#include <cstring>
#include <optional>

#include "files/PhoneBookFile.h"
#include "files/TextFiles.h"
#include "link/Answers.h"
#include "link/LineRules.h"
#include "phonebook/EntrySyntax.h"
#include "platform/Errors.h"
#include "settings/MessageTexts.h"

namespace {

// Every contact this program writes carries it: such a contact is one of its own rows.
const QLatin1String kProdId("-//ZUL set//ZUL set//EN");
const QLatin1String kOwnProdId("-//ZUL set//");
// A line without "=" (a number alone) would come back with one: the line as it was.
const QLatin1String kLineProperty("X-ZULSET-LINE");
constexpr int kFoldOctets = 75;
constexpr int kShownLength = 60;

struct FileLine {
  QByteArray bytes;
  int number = 0;
};

struct Card {
  int begin = 0;
  QList<FileLine> lines;  // its own, not those of a vCard inside it (2.1 AGENT)
};

struct Property {
  QByteArray group, name;  // upper case
  QList<QByteArray> types;
  QByteArray charset;
  bool quotedPrintable = false;
  QByteArray value;
};

struct Tel {
  QString text;
  QList<QByteArray> types;
  QByteArray group;
};

struct Contact {
  QString fn, family, given, additional;
  QList<Tel> tels;
  QHash<QByteArray, QString> labels;  // X-ABLabel by group: a number's own label
  bool own = false;
  std::optional<QString> line;
};

// A line ends where the file's line ends, not where an indented continuation does.
bool isTag(const QByteArray& line, const char* tag) {
  qsizetype end = line.size();
  while (end > 0 && (line[end - 1] == ' ' || line[end - 1] == '\t')) --end;
  return line.left(end).compare(tag, Qt::CaseInsensitive) == 0;
}

bool isBlank(const QByteArray& line) {
  const QByteArray t = line.trimmed();
  return t.isEmpty() || t == "\x1A";
}

QList<QByteArray> splitOutsideQuotes(const QByteArray& s, char sep) {
  QList<QByteArray> parts{QByteArray()};
  bool quoted = false;
  for (const char c : s) {
    if (c == '"') quoted = !quoted;
    if (c == sep && !quoted)
      parts << QByteArray();
    else
      parts.last() += c;
  }
  return parts;
}

// "group.NAME;PARAM=value;BARE:value". 2.1 writes types bare (TEL;CELL), 3.0 as TYPE=a,b or
// TYPE=a;TYPE=b, 4.0 quoted (TYPE="cell,voice").
std::optional<Property> parseProperty(const QByteArray& line) {
  qsizetype colon = -1;
  bool quoted = false;
  for (qsizetype i = 0; i < line.size() && colon < 0; ++i) {
    if (line[i] == '"') quoted = !quoted;
    if (line[i] == ':' && !quoted) colon = i;
  }
  if (colon <= 0) return std::nullopt;
  Property p;
  p.value = line.mid(colon + 1);
  const QList<QByteArray> head = splitOutsideQuotes(line.left(colon), ';');
  const QByteArray name = head[0].trimmed().toUpper();
  const qsizetype dot = name.lastIndexOf('.');
  p.group = dot < 0 ? QByteArray() : name.left(dot);
  p.name = name.mid(dot + 1);
  for (qsizetype i = 1; i < head.size(); ++i) {
    const QByteArray param = head[i].trimmed();
    const qsizetype eq = param.indexOf('=');
    const QByteArray key = eq < 0 ? QByteArray() : param.left(eq).trimmed().toUpper();
    QByteArray value = (eq < 0 ? param : param.mid(eq + 1)).trimmed();
    value.replace('"', QByteArray());
    const QByteArray upper = value.toUpper();
    if (key.isEmpty() || key == "TYPE")
      for (const QByteArray& t : upper.split(',')) p.types << t.trimmed();
    if ((key.isEmpty() || key == "ENCODING") && upper == "QUOTED-PRINTABLE")
      p.quotedPrintable = true;
    if (key == "CHARSET") p.charset = value;
  }
  return p;
}

// The vCards of the file, or its fault.
QList<Card> cutCards(const QByteArray& bytes, VCardEntries& e) {
  QList<Card> cards;
  // Line ends and the zero byte as in the other phone book files; Latin-1 keeps every byte.
  const QStringList lines = SplitTextLines(bytes, FileCharset::Latin1());
  int depth = 0;
  for (qsizetype i = 0; i < lines.size(); ++i) {
    const FileLine line{lines[i].toLatin1(), int(i) + 1};
    if (isTag(line.bytes, "BEGIN:VCARD")) {
      if (depth++ == 0) cards.append(Card{line.number, {}});
    } else if (isTag(line.bytes, "END:VCARD")) {
      if (depth-- == 0) {
        e.fault = VCardFault::NotVCard;
        e.line = line.number;
        return {};
      }
    } else if (depth == 0 && !isBlank(line.bytes)) {
      e.fault = VCardFault::NotVCard;
      e.line = line.number;
      return {};
    } else if (depth == 1) {
      cards.last().lines.append(line);
    }
  }
  if (depth > 0) {
    e.fault = VCardFault::NotEnded;
    e.line = cards.last().begin;
    return {};
  }
  return cards;
}

// A folded line goes on in lines that begin with a blank: 3.0 and 4.0 drop that blank, 2.1
// keeps it. A quoted-printable value (2.1) goes on after a line that ends in "=".
QList<QByteArray> contentLines(const Card& card) {
  bool v21 = false;
  for (const FileLine& l : card.lines) {
    if (l.bytes.size() >= 8 && l.bytes.left(8).toUpper() == "VERSION:") {
      v21 = l.bytes.mid(8).trimmed() == "2.1";
      break;
    }
  }
  QList<QByteArray> out;
  bool quotedPrintable = false;
  for (const FileLine& l : card.lines) {
    const QByteArray& b = l.bytes;
    if (!out.isEmpty()) {
      QByteArray& current = out.last();
      if (quotedPrintable && current.endsWith('=')) {
        current.chop(1);
        current += b;
        continue;
      }
      if (b.startsWith(' ') || b.startsWith('\t')) {
        current += v21 ? b : b.mid(1);
        continue;
      }
    }
    out << b;
    const std::optional<Property> p = parseProperty(b);
    quotedPrintable = p && p->quotedPrintable;
  }
  return out;
}

int hexDigit(char c) {
  if (c >= '0' && c <= '9') return c - '0';
  if (c >= 'A' && c <= 'F') return c - 'A' + 10;
  if (c >= 'a' && c <= 'f') return c - 'a' + 10;
  return -1;
}

QByteArray fromQuotedPrintable(const QByteArray& s) {
  QByteArray out;
  out.reserve(s.size());
  for (qsizetype i = 0; i < s.size(); ++i) {
    if (s[i] == '=' && i + 2 < s.size()) {
      const int high = hexDigit(s[i + 1]), low = hexDigit(s[i + 2]);
      if (high >= 0 && low >= 0) {
        out += char(high * 16 + low);
        i += 2;
        continue;
      }
    }
    out += s[i];
  }
  return out;
}

QString unescaped(const QString& s) {
  QString out;
  out.reserve(s.size());
  for (qsizetype i = 0; i < s.size(); ++i) {
    if (s[i] == u'\\' && i + 1 < s.size()) {
      const QChar next = s[++i];
      out += next == u'n' || next == u'N' ? QChar(u'\n') : next;
    } else {
      out += s[i];
    }
  }
  return out;
}

// The parts of a structured value (N), split at the semicolons that are not escaped.
QList<QByteArray> components(const QByteArray& value) {
  QList<QByteArray> parts{QByteArray()};
  for (qsizetype i = 0; i < value.size(); ++i) {
    if (value[i] == '\\' && i + 1 < value.size()) {
      parts.last() += value.mid(i, 2);
      ++i;
    } else if (value[i] == ';') {
      parts << QByteArray();
    } else {
      parts.last() += value[i];
    }
  }
  return parts;
}

QString text(const Property& p, QByteArray raw, const FileCharset& charset) {
  if (p.quotedPrintable) raw = fromQuotedPrintable(raw);
  QString decoded;
  if (!p.charset.isEmpty())
    decoded = FileCharset::Named(p.charset).DecodePart(raw);
  else if (FileCharset::Utf8().ReadAs(raw) == FileCharset::Utf8())
    decoded = FileCharset::Utf8().DecodePart(raw);
  else
    decoded = charset.DecodePart(raw);
  return unescaped(decoded);
}

Contact readContact(const Card& card, const FileCharset& charset) {
  Contact c;
  bool hasFn = false, hasN = false;
  for (const QByteArray& line : contentLines(card)) {
    const std::optional<Property> p = parseProperty(line);
    if (!p) continue;
    if (p->name == "FN" && !hasFn) {
      c.fn = text(*p, p->value, charset);
      hasFn = true;
    } else if (p->name == "N" && !hasN) {
      const QList<QByteArray> parts = components(p->value);
      c.family = text(*p, parts.value(0), charset);
      c.given = text(*p, parts.value(1), charset);
      c.additional = text(*p, parts.value(2), charset);
      hasN = true;
    } else if (p->name == "TEL") {
      c.tels << Tel{text(*p, p->value, charset), p->types, p->group};
    } else if (p->name == "X-ABLABEL" && !p->group.isEmpty()) {
      c.labels.insert(p->group, text(*p, p->value, charset));
    } else if (p->name == "PRODID") {
      c.own = text(*p, p->value, charset).startsWith(kOwnProdId);
    } else if (p->name == kLineProperty.data()) {
      c.line = text(*p, p->value, charset);
    }
  }
  return c;
}

// Letters a name of the unit cannot hold that decomposing does not reach.
struct Nearest {
  char16_t letter;
  const char* written;
};
constexpr Nearest kNearest[] = {
    {u'Ł', "L"},  {u'Đ', "D"},  {u'Ð', "D"},  {u'Ø', "O"},  {u'Æ', "AE"}, {u'Œ', "OE"},
    {u'Þ', "TH"}, {u'Ħ', "H"},  {u'Ŧ', "T"},  {u'ẞ', "SS"}, {u'А', "A"},  {u'Б', "B"},
    {u'В', "V"},  {u'Г', "G"},  {u'Ґ', "G"},  {u'Д', "D"},  {u'Е', "E"},  {u'Ё', "E"},
    {u'Є', "YE"}, {u'Ж', "ZH"}, {u'З', "Z"},  {u'И', "I"},  {u'І', "I"},  {u'Ї', "YI"},
    {u'Й', "Y"},  {u'К', "K"},  {u'Л', "L"},  {u'М', "M"},  {u'Н', "N"},  {u'О', "O"},
    {u'П', "P"},  {u'Р', "R"},  {u'С', "S"},  {u'Т', "T"},  {u'У', "U"},  {u'Ў', "U"},
    {u'Ф', "F"},  {u'Х', "KH"}, {u'Ц', "TS"}, {u'Ч', "CH"}, {u'Ш', "SH"}, {u'Щ', "SHCH"},
    {u'Ъ', ""},   {u'Ы', "Y"},  {u'Ь', ""},   {u'Э', "E"},  {u'Ю', "YU"}, {u'Я', "YA"},
    {u'Ђ', "DJ"}, {u'Ј', "J"},  {u'Љ', "LJ"}, {u'Њ', "NJ"}, {u'Ћ', "C"},  {u'Џ', "DZ"},
    {u'Ѓ', "G"},  {u'Ќ', "K"},  {u'Ѕ', "DZ"},
};

bool unitChar(QChar c) {
  return c.unicode() > 0 && c.unicode() < 0x80 && std::strchr(kNameChars, char(c.unicode()));
}

// What a name of the unit can hold of a text: capital letters A to Z and digits, the others
// written the nearest way ("Dvořák" DVORAK, "Łukasz" LUKASZ, "Straße" STRASSE), the rest
// (blanks, signs, letters of other scripts) left out.
QString unitLetters(const QString& text) {
  QString out;
  for (const QChar c : text.toUpper()) {
    if (unitChar(c)) {
      out += c;
      continue;
    }
    bool found = false;
    for (const Nearest& n : kNearest) {
      if (c.unicode() == n.letter) {
        out += QLatin1String(n.written);
        found = true;
        break;
      }
    }
    if (found) continue;
    for (const QChar d : QString(c).normalized(QString::NormalizationForm_KD).toUpper())
      if (unitChar(d)) out += d;
  }
  return out;
}

// The signs people write between the digits go: "+420 603-111.222", "(0603) 111 222",
// "tel:+420-603-111-222;ext=5". "+49 (0)171 ..." writes a 0 that is not dialled after the
// country code.
QString cleanedNumber(const QString& written) {
  QString s = written.normalized(QString::NormalizationForm_KC).trimmed();
  if (s.startsWith(QLatin1String("tel:"), Qt::CaseInsensitive)) {
    s = s.mid(4);
    const qsizetype params = s.indexOf(u';');
    if (params >= 0) s.truncate(params);
  }
  if (s.startsWith(u'+')) {
    static const QRegularExpression trunkZero(QStringLiteral("\\(\\s*0\\s*\\)"));
    s.remove(trunkZero);
  }
  QString out;
  for (const QChar c : s) {
    if (c.isSpace() || c.category() == QChar::Punctuation_Dash ||
        c.category() == QChar::Other_Format || c == u'.' || c == u'(' || c == u')' || c == u'/')
      continue;
    out += c;
  }
  return out;
}

// A word for the kind of number, to tell a contact's numbers apart in their names.
QString numberKind(const Tel& t, const Contact& c) {
  if (const auto it = c.labels.constFind(t.group); !t.group.isEmpty() && it != c.labels.cend()) {
    static const QRegularExpression stock(QStringLiteral("^_\\$!<(.*)>!\\$_$"));
    const QRegularExpressionMatch m = stock.match(*it);
    const QString label = unitLetters(m.hasMatch() ? m.captured(1) : *it);
    if (label == QLatin1String("MOBILE") || label == QLatin1String("IPHONE"))
      return QStringLiteral("MOB");
    if (label.endsWith(QLatin1String("FAX"))) return QStringLiteral("FAX");
    if (label == QLatin1String("OTHER")) return QString();
    return label.left(4);
  }
  const char* const kinds[][2] = {{"FAX", "FAX"},    {"CELL", "MOB"}, {"IPHONE", "MOB"},
                                  {"PAGER", "PAGE"}, {"CAR", "CAR"},  {"HOME", "HOME"},
                                  {"WORK", "WORK"},  {"MAIN", "MAIN"}};
  for (const auto& k : kinds)
    if (t.types.contains(QByteArray(k[0]))) return QLatin1String(k[1]);
  return QString();
}

bool isReserved(const QString& name) {
  return ReservedNameIndex(name.toLatin1()) >= 0 || name == QLatin1String("OUT");
}

// Direction marks that phones put around numbers show as nothing, or as boxes.
QString shown(const QString& text) {
  QString s;
  for (const QChar c : text)
    if (c.category() != QChar::Other_Format) s += c;
  s = s.simplified();
  return s.size() <= kShownLength ? s : s.left(kShownLength) + QStringLiteral("...");
}

// A line of the grid holds no line break (the .phb would split it) and no zero (a .phb ends
// there); an escape or a quoted-printable value can hold both.
QString gridLine(QString s) {
  static const QRegularExpression lineBreak(QStringLiteral("\r\n|[\r\n]"));
  return s.replace(lineBreak, QStringLiteral(" ")).remove(QChar(0));
}

void takeOwn(const Contact& c, VCardEntries& e) {
  if (c.line) {
    e.lines << gridLine(*c.line);
    return;
  }
  const QString name = c.fn.isEmpty() ? c.family : c.fn;
  if (c.tels.isEmpty()) e.lines << gridLine(name + QLatin1Char('='));
  for (const Tel& t : c.tels) e.lines << gridLine(name + QLatin1Char('=') + t.text);
}

void takeForeign(const Contact& c, int maxNumberLength, VCardEntries& e) {
  QString source = c.fn.simplified();
  if (source.isEmpty())
    source =
        QStringList{c.given, c.additional, c.family}.join(u' ').replace(u',', u' ').simplified();
  auto contact = [&source](const QString& number) {
    if (source.isEmpty()) return shown(number);
    return number.isEmpty() ? shown(source)
                            : QStringLiteral("%1 (%2)").arg(shown(source), shown(number));
  };
  if (c.tels.isEmpty()) {
    // A contact with neither (an empty card) has nothing to be named by.
    if (!source.isEmpty()) e.items << VCardItem{VCardNote::NoNumber, contact(QString()), QString()};
    return;
  }
  struct Row {
    std::optional<VCardItem> item;
    QString number, kind;
    bool taken = false;
  };
  QList<Row> rows;
  QStringList numbers;
  for (const Tel& t : c.tels) {
    Row r;
    r.number = cleanedNumber(t.text);
    if (r.number.isEmpty() || NumberCharsFault(QString(), r.number) != EntryFaultKind::None)
      r.item = VCardItem{VCardNote::NotANumber, contact(t.text), QString()};
    else if (r.number.size() > maxNumberLength)
      r.item = VCardItem{VCardNote::TooLong, contact(t.text), QString()};
    else if (numbers.contains(r.number))
      continue;  // the same number twice (mobile and preferred): one row
    r.taken = !r.item;
    if (r.taken) {
      numbers << r.number;
      r.kind = numberKind(t, c);
    }
    r.item = r.item.value_or(VCardItem{VCardNote::Named, contact(t.text), QString()});
    rows << r;
  }

  const QString base = unitLetters(source);
  QStringList kinds;
  for (const Row& r : rows)
    if (r.taken) kinds << r.kind;
  int k = 0;
  for (Row& r : rows) {
    if (!r.taken) continue;
    if (base.isEmpty()) {
      r.taken = false;
      r.item->note = VCardNote::NoName;
      continue;
    }
    QString name = base.left(kMaxNameLength);
    if (kinds.size() > 1) {
      QString kind = kinds[k];
      if (kind.isEmpty() || kinds.count(kind) > 1) kind += QString::number(k + 1);
      name = base.left(kMaxNameLength - kind.size()) + kind;
    }
    ++k;
    e.lines << name + QLatin1Char('=') + r.number;
    r.item->name = name;
    if (isReserved(name)) r.item->note = VCardNote::NamedReserved;
    if (name == source) r.item.reset();
  }
  for (const Row& r : rows)
    if (r.item) e.items << *r.item;
}

QString itemText(const VCardItem& i, const VCardEntries& e, const MessageTexts& m) {
  switch (i.note) {
    case VCardNote::Named:
      return m.NamedAs.arg(i.contact, i.name);
    case VCardNote::NamedReserved:
      return m.NamedAsReserved.arg(i.contact, i.name);
    case VCardNote::NoNumber:
      return m.NoPhoneNumber.arg(i.contact);
    case VCardNote::NotANumber:
      return m.NotAPhoneNumber.arg(i.contact);
    case VCardNote::TooLong:
      return m.NumberLonger.arg(i.contact, QString::number(e.maxNumberLength));
    case VCardNote::NoName:
      return m.NoName.arg(i.contact);
  }
  return QString();
}

// The changed rows, then what was left out, each a list of its own.
QString itemLists(const VCardEntries& e, const MessageTexts& m) {
  QStringList named, left;
  for (const VCardItem& i : e.items) {
    const bool taken = i.note == VCardNote::Named || i.note == VCardNote::NamedReserved;
    (taken ? named : left) << itemText(i, e, m);
  }
  QStringList parts;
  if (!named.isEmpty()) parts << FirstItems(m.NamesMade, named, m);
  if (!left.isEmpty()) parts << FirstItems(m.ContactsLeftOut, left, m);
  return parts.join(QLatin1String("\n\n"));
}

QString escapedText(QString s) {
  s.replace(u'\\', QLatin1String("\\\\"));
  s.replace(u',', QLatin1String("\\,"));
  s.replace(u';', QLatin1String("\\;"));
  s.replace(u'\n', QLatin1String("\\n"));
  return s;
}

// Lines of at most 75 octets of UTF-8, the continuations after a blank; a character is never
// cut.
void appendFolded(QStringList& out, const QString& line) {
  qsizetype start = 0;
  int octets = 0;
  for (qsizetype i = 0; i < line.size(); ++i) {
    const char16_t u = line[i].unicode();
    const bool pair = line[i].isHighSurrogate() && i + 1 < line.size();
    const int n = pair ? 4 : u < 0x80 ? 1 : u < 0x800 ? 2 : 3;
    if (octets + n > kFoldOctets) {
      out << (start == 0 ? QString() : QStringLiteral(" ")) + line.mid(start, i - start);
      start = i;
      octets = 1;
    }
    octets += n;
    if (pair) ++i;
  }
  out << (start == 0 ? QString() : QStringLiteral(" ")) + line.mid(start);
}

}  // namespace

VCardEntries PhoneBookFromVCard(const QByteArray& bytes, int maxNumberLength,
                                const FileCharset& charset) {
  VCardEntries e;
  e.maxNumberLength = maxNumberLength;
  const QList<Card> cards = cutCards(bytes.startsWith("\xEF\xBB\xBF") ? bytes.mid(3) : bytes, e);
  if (e.fault != VCardFault::None) return e;
  for (const Card& card : cards) {
    const Contact c = readContact(card, charset);
    if (c.own)
      takeOwn(c, e);
    else
      takeForeign(c, maxNumberLength, e);
  }
  bool usable = false;
  for (const QString& line : e.lines)
    usable = usable || (!line.isEmpty() && line != QLatin1String("="));
  if (!usable) {
    e.fault = VCardFault::NoContact;
    e.lines.clear();
  }
  return e;
}

QStringList VCardLinesFromPhoneBook(const QStringList& lines) {
  QStringList out;
  for (const QString& line : lines) {
    const qsizetype eq = line.indexOf(u'=');
    const QString name = escapedText(eq < 0 ? QString() : line.left(eq));
    const QString number = eq < 0 ? line : line.mid(eq + 1);
    QStringList card{QStringLiteral("BEGIN:VCARD"), QStringLiteral("VERSION:3.0"),
                     QStringLiteral("PRODID:") + kProdId, QStringLiteral("FN:") + name,
                     QStringLiteral("N:") + name + QStringLiteral(";;;;")};
    if (!number.isEmpty()) card << QStringLiteral("TEL;TYPE=CELL:") + escapedText(number);
    if (eq < 0) card << kLineProperty + QLatin1Char(':') + escapedText(line);
    card << QStringLiteral("END:VCARD");
    for (const QString& l : card) appendFolded(out, l);
  }
  return out;
}

bool IsVCardFile(const QString& fileName) {
  return fileName.endsWith(QLatin1String(".vcf"), Qt::CaseInsensitive);
}

QString VCardReport(const VCardEntries& e, const QString& fileName, const MessageTexts& m) {
  const QString lists = itemLists(e, m);
  if (lists.isEmpty()) return QString();
  return m.ContactsLoaded.arg(QString::number(e.lines.size()), fileName) + QStringLiteral("\n\n") +
         lists;
}

QStringList ReadPhoneBookVcf(const QString& fileName, const MessageTexts& m, int maxNumberLength,
                             QString* report, const FileCharset& charset) {
  const VCardEntries e = PhoneBookFromVCard(ReadWholeTextFile(fileName, MaxPhoneBookFileSize),
                                            maxNumberLength, charset);
  QString why;
  switch (e.fault) {
    case VCardFault::None:
      break;
    case VCardFault::NotVCard:
      why = m.NotAVCard.arg(e.line);
      break;
    case VCardFault::NotEnded:
      why = m.VCardNotEnded.arg(e.line);
      break;
    case VCardFault::NoContact:
      why = m.NoContact;
      if (const QString lists = itemLists(e, m); !lists.isEmpty())
        why += QStringLiteral(".\n\n") + lists;
      break;
  }
  if (!why.isEmpty()) throw EFileError(m.NotLoaded.arg(fileName, why));
  if (report) *report = VCardReport(e, fileName, m);
  return e.lines;
}

void WritePhoneBookVcf(const QString& fileName, const QStringList& lines) {
  WriteTextLines(fileName, VCardLinesFromPhoneBook(lines), FileCharset::Utf8(),
                 FileErrors::NameAndReason);
}
