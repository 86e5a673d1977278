#pragma once
// TFiler, TReader, TWriter: the value stream of form designs as seen by the
// stored-property hooks (TPersistent::DefineProperties), plus the state the design
// reader and writer keep (root, current object).

#include <QByteArray>
#include <QString>
#include <QStringList>
#include <functional>
#include <vector>

#include "runtime/form_lexer.h"

namespace lumicar {

class TComponent;
class TPersistent;

// Kind of the next value in a design.
enum TValueType {
  vaNull,        // the word Null
  vaList,        // ( ... )
  vaInt,         // 12, -3, $FF
  vaFloat,       // 1.5, -2.0E10, NaN, Inf, -Inf
  vaString,      // 'text'
  vaIdent,       // Name or dotted.Name
  vaFalse,       // False
  vaTrue,        // True
  vaBinary,      // { 0A 1B }
  vaSet,         // [a, b]
  vaNil,         // nil
  vaCollection,  // < item ... end >
};

class TReader;
class TWriter;

class TFiler {
 public:
  using ReaderProc = std::function<void(TReader&)>;
  using WriterProc = std::function<void(TWriter&)>;
  using BinaryReaderProc = std::function<void(const QByteArray&)>;
  using BinaryWriterProc = std::function<QByteArray()>;

  virtual ~TFiler() = default;

  // A stored property that is not a published one. Reading calls reader when the
  // design holds a property of that name (compared ignoring case); the reader must
  // consume exactly one value. Writing calls writer, which must write exactly one
  // value, when hasData is true. Either function may be empty.
  virtual void DefineProperty(const QString& name, const ReaderProc& reader, const WriterProc& writer,
                              bool hasData) = 0;
  // The same for a value stored as binary data { hex }.
  virtual void DefineBinaryProperty(const QString& name, const BinaryReaderProc& reader, const BinaryWriterProc& writer,
                                    bool hasData) = 0;

  // The component whose design is being read or written (normally the form).
  TComponent* Root() const { return root_; }
  // The object whose properties are being read or written right now.
  TPersistent* Instance() const { return instance_; }

 protected:
  TComponent* root_ = nullptr;
  TPersistent* instance_ = nullptr;
};

// Reads values from a tokenised design. Every failure raises EReadError whose
// message begins with "Line L, column C: " of the offending token.
class TReader : public TFiler {
 public:
  TReader(const std::vector<TFormToken>& tokens, TComponent* root);

  void DefineProperty(const QString& name, const ReaderProc& reader, const WriterProc& writer, bool hasData) override;
  void DefineBinaryProperty(const QString& name, const BinaryReaderProc& reader, const BinaryWriterProc& writer,
                            bool hasData) override;

  TValueType NextValue() const;
  // True when the next token closes the current list, set or collection.
  bool EndOfList() const;
  void ReadListBegin();
  void ReadListEnd();

  // An identifier; also gives "True", "False", "nil" and "Null" for those words.
  QString ReadIdent();
  QString ReadString();
  // Integers, range-checked: EReadError when the stored number does not fit.
  qint64 ReadInteger();
  quint64 ReadUInt64();
  // A floating-point value; integers are accepted too.
  double ReadFloat();
  bool ReadBoolean();
  QByteArray ReadBinary();
  // The element names of a set, in stored order.
  QStringList ReadSet();
  // Skips one value of any kind (nested lists, sets, collections included).
  void SkipValue();

  // Raises EReadError "Line L, column C: <what>" at the next token.
  [[noreturn]] void Error(const QString& what) const;
  // Raises EReadError at a given token.
  [[noreturn]] void ErrorAt(const TFormToken& token, const QString& what) const;

  // Design-level access for the form reader.
  const TFormToken& Peek(int ahead = 0) const;
  const TFormToken& Next();
  bool AtEnd() const { return Peek().kind == TFormToken::End; }
  size_t Position() const { return pos_; }
  void SetInstance(TPersistent* instance) { instance_ = instance; }
  // Offers the pending property name to instance's stored-property hooks; true when
  // a hook took it (and read its value).
  bool ReadDefinedProperty(TPersistent* instance, const QString& name);

  // Nesting of the value being read (lists, collections, objects) is limited so that
  // hostile designs cannot exhaust the stack.
  static constexpr int kMaxDepth = 64;

 private:
  const TFormToken& Expect(TFormToken::Kind kind, const char* what);
  void SkipValueAt(int depth);

  const std::vector<TFormToken>& tokens_;
  size_t pos_ = 0;
  int list_depth_ = 0;
  // Property name offered to DefineProperties, and whether a hook took it.
  QString pending_name_;
  bool pending_done_ = false;
};

// Writes values as design text. The form writer sets the line prefix; hooks only use
// the Write* calls.
class TWriter : public TFiler {
 public:
  explicit TWriter(TComponent* root);

  void DefineProperty(const QString& name, const ReaderProc& reader, const WriterProc& writer, bool hasData) override;
  void DefineBinaryProperty(const QString& name, const BinaryReaderProc& reader, const BinaryWriterProc& writer,
                            bool hasData) override;

  void WriteListBegin();
  void WriteListEnd();
  // Identifiers may be dotted; EWriteError for anything that would not read back as
  // one identifier.
  void WriteIdent(const QString& ident);
  void WriteString(const QString& text);
  void WriteInteger(qint64 value);
  void WriteUInt64(quint64 value);
  // Written so that it reads back bit for bit (17 significant digits; NaN, Inf, -Inf).
  void WriteFloat(double value);
  // Single precision: 9 significant digits are enough to read back the same float.
  void WriteSingle(float value);
  void WriteBoolean(bool value);
  void WriteNil();
  void WriteBinary(const QByteArray& data);
  void WriteSet(const QStringList& elements);

  // Design-level access for the form writer.
  void SetInstance(TPersistent* instance) { instance_ = instance; }
  void SetPropertyPrefix(const QString& prefix) { prefix_ = prefix; }
  int Indent() const { return indent_; }
  void SetIndent(int indent) { indent_ = indent; }
  void WriteLine(const QString& line);
  // Starts "Name = " on a new line; the value follows through Write* calls.
  void BeginProperty(const QString& name);
  // Ends a property started by BeginProperty; EWriteError unless exactly one
  // complete value was written.
  void EndProperty();
  // A collection value "< item ... end >" inside the current property: the items'
  // properties are written between BeginItem and EndItem with BeginProperty as usual.
  void BeginCollection();
  void BeginItem();
  void EndItem();
  void EndCollection();
  // Writes the stored-property hooks of instance with the current prefix.
  void WriteDefinedProperties(TPersistent* instance);
  const QByteArray& Text() const { return text_; }

 private:
  void BeginValue();
  void Append(const QString& s);

  QByteArray text_;
  QString prefix_;
  int indent_ = 0;
  int list_depth_ = 0;
  int values_ = 0;  // complete top-level values since BeginProperty
  bool in_property_ = false;
  bool need_space_ = false;
  struct Saved {
    int values;
    bool need_space;
  };
  std::vector<Saved> collections_;
};

}  // namespace lumicar
