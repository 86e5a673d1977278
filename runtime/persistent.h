#pragma once
// TPersistent: the base of every object whose published properties can be stored in
// a form design and copied with Assign.

#include <QObject>
#include <QString>

namespace lumicar {

class TFiler;

class TPersistent : public QObject {
  Q_OBJECT
 public:
  Q_INVOKABLE explicit TPersistent(QObject* parent = nullptr);
  ~TPersistent() override;

  // Copies the state of source into this object. The base asks the source to
  // AssignTo this object; when nobody knows how, raises EConvertError
  // "Cannot assign a <source class> to a <this class>".
  virtual void Assign(TPersistent* source);

  // The name under which this object appears in paths and messages: the class
  // name unless a descendant knows better.
  virtual QString GetNamePath() const;

  // The object this one belongs to for naming and streaming (a property object's
  // component, a collection item's collection); none by default.
  virtual TPersistent* GetOwner() const;

  // Registers the stored properties that are not published properties
  // ("Data", "_Floats", pin links, ...) with the filer that reads or writes this
  // object. The base defines none.
  virtual void DefineProperties(TFiler& filer);

 protected:
  // Counterpart of Assign: copy this object into dest. The base raises
  // EConvertError (or the message of Assign when dest is none).
  virtual void AssignTo(TPersistent* dest);

 private:
  void AssignError(TPersistent* source);
};

// Name of a class without its namespace ("TComponent" for lumicar::TComponent):
// the name under which designs and messages know it.
QString ClassNameOf(const QMetaObject* meta);
QString ClassNameOf(const QObject* object);

}  // namespace lumicar
