#include "runtime/filer.h"

#include <QStringList>
#include <cmath>
#include <limits>

#include "runtime/component.h"
#include "runtime/exception.h"

namespace lumicar {

// ---------------------------------------------------------------- TReader

TReader::TReader(const std::vector<TFormToken>& tokens, TComponent* root) : tokens_(tokens) {
  root_ = root;
  instance_ = root;
}

const TFormToken& TReader::Peek(int ahead) const {
  // The last token is always End; looking beyond it keeps giving End.
  const size_t i = pos_ + static_cast<size_t>(ahead);
  return i < tokens_.size() ? tokens_[i] : tokens_.back();
}

const TFormToken& TReader::Next() {
  const TFormToken& t = Peek();
  if (pos_ + 1 < tokens_.size()) ++pos_;
  return t;
}

void TReader::Error(const QString& what) const { ErrorAt(Peek(), what); }

void TReader::ErrorAt(const TFormToken& token, const QString& what) const { throw EReadError(token.Where() + what); }

const TFormToken& TReader::Expect(TFormToken::Kind kind, const char* what) {
  if (Peek().kind != kind) {
    Error(QStringLiteral("%1 expected, found %2").arg(QLatin1String(what), Peek().Describe()));
  }
  return Next();
}

TValueType TReader::NextValue() const {
  const TFormToken& t = Peek();
  switch (t.kind) {
    case TFormToken::Integer:
      return vaInt;
    case TFormToken::Float:
      return vaFloat;
    case TFormToken::String:
      return vaString;
    case TFormToken::Binary:
      return vaBinary;
    case TFormToken::Ident:
      if (t.IsWord("True")) return vaTrue;
      if (t.IsWord("False")) return vaFalse;
      if (t.IsWord("nil")) return vaNil;
      if (t.IsWord("Null")) return vaNull;
      return vaIdent;
    case TFormToken::Symbol:
      if (t.Is('(')) return vaList;
      if (t.Is('[')) return vaSet;
      if (t.Is('<')) return vaCollection;
      break;
    case TFormToken::End:
      break;
  }
  Error(QStringLiteral("value expected, found %1").arg(t.Describe()));
}

bool TReader::EndOfList() const {
  const TFormToken& t = Peek();
  if (t.kind == TFormToken::End) Error(QStringLiteral("unterminated list"));
  return t.Is(')') || t.Is(']') || t.Is('>');
}

void TReader::ReadListBegin() {
  if (!Peek().Is('(')) Error(QStringLiteral("'(' expected, found %1").arg(Peek().Describe()));
  if (list_depth_ >= kMaxDepth) Error(QStringLiteral("values nested too deeply"));
  Next();
  ++list_depth_;
}

void TReader::ReadListEnd() {
  if (Peek().kind == TFormToken::End) Error(QStringLiteral("unterminated list"));
  if (!Peek().Is(')')) Error(QStringLiteral("')' expected, found %1").arg(Peek().Describe()));
  Next();
  if (list_depth_ > 0) --list_depth_;
}

QString TReader::ReadIdent() {
  const TFormToken& t = Expect(TFormToken::Ident, "identifier");
  // The special words come back in their usual spelling.
  for (const char* word : {"True", "False", "nil", "Null"}) {
    if (t.IsWord(word)) return QLatin1String(word);
  }
  return t.text;
}

QString TReader::ReadString() { return Expect(TFormToken::String, "string").text; }

qint64 TReader::ReadInteger() {
  const TFormToken& t = Peek();
  if (t.kind != TFormToken::Integer) Error(QStringLiteral("integer expected, found %1").arg(t.Describe()));
  const quint64 limit = t.negative ? quint64{1} << 63 : (quint64{1} << 63) - 1;
  if (t.overflow || t.magnitude > limit) Error(QStringLiteral("integer out of range"));
  Next();
  if (t.negative)
    return t.magnitude == (quint64{1} << 63) ? std::numeric_limits<qint64>::min() : -static_cast<qint64>(t.magnitude);
  return static_cast<qint64>(t.magnitude);
}

quint64 TReader::ReadUInt64() {
  const TFormToken& t = Peek();
  if (t.kind != TFormToken::Integer) Error(QStringLiteral("integer expected, found %1").arg(t.Describe()));
  if (t.overflow || (t.negative && t.magnitude != 0)) Error(QStringLiteral("integer out of range"));
  Next();
  return t.magnitude;
}

double TReader::ReadFloat() {
  const TFormToken& t = Peek();
  if (t.kind == TFormToken::Float) {
    Next();
    return t.number;
  }
  if (t.kind == TFormToken::Integer) {
    if (t.overflow) Error(QStringLiteral("number out of range"));
    Next();
    const double v = static_cast<double>(t.magnitude);
    return t.negative ? -v : v;
  }
  if (t.IsWord("NaN")) {
    Next();
    return std::numeric_limits<double>::quiet_NaN();
  }
  if (t.IsWord("Inf")) {
    Next();
    return std::numeric_limits<double>::infinity();
  }
  Error(QStringLiteral("number expected, found %1").arg(t.Describe()));
}

bool TReader::ReadBoolean() {
  const TFormToken& t = Peek();
  if (t.IsWord("True")) {
    Next();
    return true;
  }
  if (t.IsWord("False")) {
    Next();
    return false;
  }
  Error(QStringLiteral("True or False expected, found %1").arg(t.Describe()));
}

QByteArray TReader::ReadBinary() { return Expect(TFormToken::Binary, "binary value").bytes; }

QStringList TReader::ReadSet() {
  if (!Peek().Is('[')) Error(QStringLiteral("'[' expected, found %1").arg(Peek().Describe()));
  Next();
  QStringList names;
  if (Peek().Is(']')) {
    Next();
    return names;
  }
  for (;;) {
    names << Expect(TFormToken::Ident, "set element").text;
    if (Peek().Is(',')) {
      Next();
      continue;
    }
    if (Peek().Is(']')) {
      Next();
      return names;
    }
    if (Peek().kind == TFormToken::End) Error(QStringLiteral("unterminated set"));
    Error(QStringLiteral("',' or ']' expected, found %1").arg(Peek().Describe()));
  }
}

void TReader::SkipValue() { SkipValueAt(list_depth_); }

void TReader::SkipValueAt(int depth) {
  if (depth >= kMaxDepth) Error(QStringLiteral("values nested too deeply"));
  switch (NextValue()) {
    case vaList:
      Next();
      while (!EndOfList()) SkipValueAt(depth + 1);
      if (!Peek().Is(')')) Error(QStringLiteral("')' expected, found %1").arg(Peek().Describe()));
      Next();
      return;
    case vaSet:
      ReadSet();
      return;
    case vaCollection:
      Next();
      while (!Peek().Is('>')) {
        if (!Peek().IsWord("item")) Error(QStringLiteral("'item' or '>' expected, found %1").arg(Peek().Describe()));
        Next();
        while (!Peek().IsWord("end")) {
          if (Peek().kind == TFormToken::End) Error(QStringLiteral("unterminated collection item"));
          Expect(TFormToken::Ident, "property name");
          if (!Peek().Is('=')) Error(QStringLiteral("'=' expected, found %1").arg(Peek().Describe()));
          Next();
          SkipValueAt(depth + 1);
        }
        Next();
      }
      Next();
      return;
    default:
      Next();
      return;
  }
}

void TReader::DefineProperty(const QString& name, const ReaderProc& reader, const WriterProc& writer, bool hasData) {
  (void)writer;
  (void)hasData;
  if (pending_done_ || !reader || name.compare(pending_name_, Qt::CaseInsensitive) != 0) return;
  pending_done_ = true;
  const TFormToken& start = Peek();
  // Learn where the value ends, then let the hook read it and check that it read
  // exactly that much.
  const size_t begin = pos_;
  const int depth = list_depth_;
  SkipValue();
  const size_t end = pos_;
  pos_ = begin;
  reader(*this);
  list_depth_ = depth;
  if (pos_ != end) ErrorAt(start, QStringLiteral("property %1: the stored value was not read as one value").arg(name));
}

void TReader::DefineBinaryProperty(const QString& name, const BinaryReaderProc& reader, const BinaryWriterProc& writer,
                                   bool hasData) {
  (void)writer;
  (void)hasData;
  if (pending_done_ || !reader || name.compare(pending_name_, Qt::CaseInsensitive) != 0) return;
  pending_done_ = true;
  reader(ReadBinary());
}

bool TReader::ReadDefinedProperty(TPersistent* instance, const QString& name) {
  TPersistent* saved_instance = instance_;
  const QString saved_name = pending_name_;
  const bool saved_done = pending_done_;
  instance_ = instance;
  pending_name_ = name;
  pending_done_ = false;
  instance->DefineProperties(*this);
  const bool done = pending_done_;
  instance_ = saved_instance;
  pending_name_ = saved_name;
  pending_done_ = saved_done;
  return done;
}

// ---------------------------------------------------------------- TWriter

TWriter::TWriter(TComponent* root) {
  root_ = root;
  instance_ = root;
}

void TWriter::Append(const QString& s) { text_.append(s.toUtf8()); }

void TWriter::WriteLine(const QString& line) {
  if (in_property_) throw EWriteError(QStringLiteral("a line was written inside a property value"));
  Append(QString(indent_ * 2, QLatin1Char(' ')) + line + QLatin1Char('\n'));
}

void TWriter::BeginProperty(const QString& name) {
  if (in_property_) throw EWriteError(QStringLiteral("property %1 started inside another value").arg(name));
  Append(QString(indent_ * 2, QLatin1Char(' ')) + name + QStringLiteral(" = "));
  in_property_ = true;
  values_ = 0;
  list_depth_ = 0;
  need_space_ = false;
}

void TWriter::EndProperty() {
  const bool ok = in_property_ && values_ == 1 && list_depth_ == 0;
  in_property_ = false;
  text_.append('\n');
  if (!ok) throw EWriteError(QStringLiteral("a stored property must be written as exactly one value"));
}

void TWriter::BeginValue() {
  if (!in_property_) throw EWriteError(QStringLiteral("a value was written outside a property"));
  if (list_depth_ == 0 && values_ > 0) throw EWriteError(QStringLiteral("a property got more than one value"));
  if (need_space_) text_.append(' ');
  need_space_ = true;
  if (list_depth_ == 0) ++values_;
}

void TWriter::WriteListBegin() {
  BeginValue();
  text_.append('(');
  ++list_depth_;
  need_space_ = false;
}

void TWriter::WriteListEnd() {
  if (!in_property_ || list_depth_ == 0) throw EWriteError(QStringLiteral("list end without list begin"));
  text_.append(')');
  --list_depth_;
  need_space_ = true;
}

void TWriter::WriteIdent(const QString& ident) {
  const QStringList parts = ident.split(QLatin1Char('.'));
  for (const QString& part : parts) {
    if (!IsValidIdent(part)) throw EWriteError(QStringLiteral("'%1' is not an identifier").arg(ident));
  }
  BeginValue();
  Append(ident);
}

void TWriter::WriteString(const QString& text) {
  BeginValue();
  QString out;
  bool quoted = false;
  for (qsizetype i = 0; i < text.size(); ++i) {
    const char16_t c = text[i].unicode();
    const bool high = QChar::isHighSurrogate(c);
    const bool paired = high && i + 1 < text.size() && QChar::isLowSurrogate(text[i + 1].unicode());
    const bool lone = (high && !paired) || QChar::isLowSurrogate(c);
    if (c < 32 || c == 127 || lone) {
      if (quoted) out += QLatin1Char('\'');
      quoted = false;
      out += QLatin1Char('#') + QString::number(c);
      continue;
    }
    if (!quoted) out += QLatin1Char('\'');
    quoted = true;
    if (c == '\'') out += QLatin1Char('\'');
    out += text[i];
    if (paired) out += text[++i];
  }
  if (quoted) out += QLatin1Char('\'');
  if (out.isEmpty()) out = QStringLiteral("''");
  Append(out);
}

void TWriter::WriteInteger(qint64 value) {
  BeginValue();
  Append(QString::number(value));
}

void TWriter::WriteUInt64(quint64 value) {
  BeginValue();
  Append(QString::number(value));
}

static QString FloatText(double value, int digits) {
  if (std::isnan(value)) return QStringLiteral("NaN");
  if (std::isinf(value)) return value > 0 ? QStringLiteral("Inf") : QStringLiteral("-Inf");
  if (value == 0) return std::signbit(value) ? QStringLiteral("-0.0") : QStringLiteral("0.0");
  QString s = QString::number(value, 'g', digits);
  // Keep floats recognisable as floats when read back.
  if (!s.contains(QLatin1Char('.')) && !s.contains(QLatin1Char('e'))) s += QStringLiteral(".0");
  return s;
}

void TWriter::WriteFloat(double value) {
  BeginValue();
  Append(FloatText(value, 17));
}

void TWriter::WriteSingle(float value) {
  BeginValue();
  Append(FloatText(static_cast<double>(value), 9));
}

void TWriter::WriteBoolean(bool value) {
  BeginValue();
  Append(value ? QStringLiteral("True") : QStringLiteral("False"));
}

void TWriter::WriteNil() {
  BeginValue();
  Append(QStringLiteral("nil"));
}

void TWriter::WriteBinary(const QByteArray& data) {
  BeginValue();
  const QByteArray hex = data.toHex().toUpper();
  if (hex.size() <= 64) {
    text_.append('{' + hex + '}');
    return;
  }
  // Longer data goes on lines of its own, 32 bytes each.
  QByteArray out("{");
  const QByteArray pad = QByteArray(indent_ * 2 + 2, ' ');
  for (qsizetype i = 0; i < hex.size(); i += 64) out += '\n' + pad + hex.mid(i, 64);
  out += '}';
  text_.append(out);
}

void TWriter::WriteSet(const QStringList& elements) {
  for (const QString& e : elements) {
    if (!IsValidIdent(e)) throw EWriteError(QStringLiteral("'%1' is not a set element name").arg(e));
  }
  BeginValue();
  Append(QLatin1Char('[') + elements.join(QStringLiteral(", ")) + QLatin1Char(']'));
}

void TWriter::DefineProperty(const QString& name, const ReaderProc& reader, const WriterProc& writer, bool hasData) {
  (void)reader;
  if (!hasData || !writer) return;
  BeginProperty(prefix_ + name);
  writer(*this);
  EndProperty();
}

void TWriter::DefineBinaryProperty(const QString& name, const BinaryReaderProc& reader, const BinaryWriterProc& writer,
                                   bool hasData) {
  (void)reader;
  if (!hasData || !writer) return;
  const QByteArray data = writer();
  BeginProperty(prefix_ + name);
  WriteBinary(data);
  EndProperty();
}

void TWriter::BeginCollection() {
  if (list_depth_ != 0) throw EWriteError(QStringLiteral("a collection cannot be written inside a list"));
  BeginValue();
  text_.append("<\n");
  collections_.push_back({values_, need_space_});
  in_property_ = false;
  ++indent_;
}

void TWriter::BeginItem() {
  WriteLine(QStringLiteral("item"));
  ++indent_;
}

void TWriter::EndItem() {
  --indent_;
  WriteLine(QStringLiteral("end"));
}

void TWriter::EndCollection() {
  if (collections_.empty() || in_property_) throw EWriteError(QStringLiteral("collection end without begin"));
  --indent_;
  Append(QString(indent_ * 2, QLatin1Char(' ')) + QLatin1Char('>'));
  values_ = collections_.back().values;
  need_space_ = collections_.back().need_space;
  collections_.pop_back();
  in_property_ = true;
  list_depth_ = 0;
}

void TWriter::WriteDefinedProperties(TPersistent* instance) {
  TPersistent* saved = instance_;
  instance_ = instance;
  instance->DefineProperties(*this);
  instance_ = saved;
}

}  // namespace lumicar
