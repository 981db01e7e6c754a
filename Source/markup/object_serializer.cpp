// Writing objects and records into THtXMLNode trees through their member
// tables (platform/rtl/reflection.h).
#include "markup/xml_node.h"
#include "platform/rtl/format.h"

namespace ht {

namespace {

String upper(StringView s) {
  String r(s);
  for (char16_t& c : r) c = AsciiUpper(c);
  return r;
}

void setAttr(THtXMLNode* T, StringView name, StringView value) {
  if (!T->Attributes()) T->CreateAttributes();
  T->Attributes()->SetAttribute(name, value);
}

struct TMemberWriter {
  THtXMLNode* E;     // the element of the top call
  bool ClassProp;
  bool UpperNames;
  bool UpperEnums;

  String memberName(std::string_view name) const {
    const String n = AsciiToString(name);
    return UpperNames ? upper(n) : n;
  }

  // The fields and then the properties of one level of a type.
  void writeMembers(const TTypeInfo& info, const void* instance, THtXMLNode* T) const {
    for (TMemberRole role : {mrField, mrProperty})
      for (const TMemberInfo& m : info.Members) {
        if (m.Role != role || m.Visibility < mvPublic || m.Kind == mkUnknown || !m.Get) continue;
        TReflectedValue v = m.Get(instance);
        if (m.Kind == mkDate || m.Kind == mkDateTime) v.Kind = m.Kind;  // a float read as a date
        write(memberName(m.Name), v, T);
      }
  }

  void write(const String& N, const TReflectedValue& V, THtXMLNode* T) const {
    switch (V.Kind) {
      case mkInteger:
      case mkInt64:
        setAttr(T, N, AsciiToString(std::to_string(V.Int)));
        break;
      case mkEnumeration:
        setAttr(T, N, UpperEnums ? upper(V.EnumValueName()) : V.EnumValueName());
        break;
      case mkFloat:
        // Our float text always uses "." as the decimal separator.
        setAttr(T, N, FloatToText(V.Float));
        break;
      case mkDateTime:
        T->SetDateTime(N, V.Float);
        break;
      case mkDate:
        T->SetDate(N, V.Float);
        break;
      case mkString:
        setAttr(T, N, V.Text);
        break;
      case mkObject:
        if (ClassProp && V.Object) T->AddObject(V.Object, N, true, false, true);
        break;
      case mkRecord:
        if (V.Type && V.Record) writeMembers(*V.Type, V.Record.get(), E->Add(N));
        break;
      case mkInterface:
        if (ClassProp && V.Object) {
          THtXMLNode* child = E->Add(N);
          if (const TTypeInfo* info = FindTypeInfo(*V.Object); info && info->FromObject)
            writeMembers(*info, info->FromObject(V.Object), child);
        }
        break;
      case mkArray: {
        if (V.ElementTypeName.empty()) throw EHtXML(u"Unknown array type");
        THtXMLNode* list = T->Add(N);
        const String itemTag = upper(AsciiToString(V.ElementTypeName));
        for (const TReflectedValue& item : V.Items) write(u"V", item, list->Add(itemTag));
        break;
      }
      default:  // sets, methods, class references, pointers, procedures
        break;
    }
  }
};

THtXMLNode* targetElement(THtXMLNode* self, StringView TagName, bool AsChild) {
  if (AsChild) return self->Add(TagName.empty() ? StringView(u"Object") : TagName);
  if (!TagName.empty()) {
    self->SetTag(TagName);
    self->TagType = htIdent;
  } else if (self->Tag().empty()) {
    self->SetTag(u"Object");
    self->TagType = htIdent;
  }
  return self;
}

}  // namespace

THtXMLNode* THtXMLNode::AddObject(const THtObject* O, StringView TagName, bool AsChild, bool ClassProp,
                                  bool UpperCaseName) {
  THtXMLNode* E = targetElement(this, TagName, AsChild);
  if (!O) return E;
  const TMemberWriter writer{E, ClassProp, UpperCaseName, UpperCaseName};
  for (const TTypeInfo* level = FindTypeInfo(*O); level; level = level->Parent)
    if (level->FromObject) writer.writeMembers(*level, level->FromObject(O), E);
  return E;
}

THtXMLNode* THtXMLNode::AddRecord(const void* R, const TTypeInfo& RecTypeInfo, StringView TagName, bool AsChild,
                                  bool ClassProp) {
  THtXMLNode* E = targetElement(this, TagName, AsChild);
  if (!R) return E;
  const TMemberWriter writer{E, ClassProp, true, true};
  writer.writeMembers(RecTypeInfo, R, E);
  return E;
}

}  // namespace ht
