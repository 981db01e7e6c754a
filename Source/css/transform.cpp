#include "css/transform.h"

#include "css/value_parsing.h"

namespace ht {

void TTransform::Parse(TCSSTokenSequence& Sequence) {
  Items.clear();
  while (Sequence.T) {
    const TCSSToken& t = *Sequence.T;
    if (t.CType == ctIdent && SameTextAscii(t.Name, u"none")) {
      Items.push_back({ttNone, {}});
      return;
    }
    TTransformType kind;
    if (t.CType != ctFunction || !EnumFromKeyword(t.Name, u"tt", kind) || kind == ttNone) return;
    TTransformItem item{kind, {}};
    for (Sequence.Next(2); Sequence.T; Sequence.Next()) {
      const TCSSTokenType type = Sequence.T->CType;
      if (type == ctComma || type == ctSpace) continue;
      if (type == ctClosePar) break;
      TMeasure m;
      m.Init(Style);
      m.Decode(Sequence);
      item.Args.push_back(m);
      if (type == ctFunction) SkipFunctionArguments(Sequence);  // calc(): one argument
      if (!Sequence.T) break;
    }
    // A missing second argument repeats the first; for a translation it is 0.
    if ((kind == ttTranslate || kind == ttTranslate3d || kind == ttScale) && item.Args.size() == 1) {
      TMeasure second = item.Args[0];
      if (kind != ttScale) {
        SetPixelValue(second, 0);
        second.FMUnit = item.Args[0].FMUnit;
      }
      item.Args.push_back(second);
    }
    Items.push_back(std::move(item));
    if (!Sequence.T) return;
    Sequence.Next();
  }
}

void TTransform::ParseOrigin(TCSSTokenSequence& Sequence) {
  if (!Sequence.T) return;
  OriginX.Decode(Sequence);
  if (!Sequence.Next()) return;
  if (Sequence.T->CType == ctComma && !Sequence.Next()) return;
  if (OriginX.Has(mfTop) || OriginX.Has(mfBottom)) {
    OriginY.Assign(OriginX);
    OriginX.Decode(Sequence);
  } else {
    OriginY.Decode(Sequence);
  }
}

void TTransform::Clear() {
  Items.clear();
  OriginX.Style = Style;
  OriginX.FValue = 0;
  OriginY.Style = Style;
  OriginY.FValue = 0;
}

void TTransform::refreshBox() {
  Width = Height = 0;
  if (BorderBox) BorderBox(Width, Height);
}

TMeasure* TTransform::append(TTransformType Kind, float Value, TMeasureUnit Unit, bool Set) {
  TMeasure m;
  m.Init(Style);
  if (Set) {
    SetPixelValue(m, Value);
  } else {
    m.FValue = Value;  // a raw value: the flags stay empty
  }
  m.FMUnit = Unit;
  Items.push_back({Kind, {m}});
  return &Items.back().Args[0];
}

TMeasure* TTransform::TranslateX(bool Add) {
  refreshBox();
  TMeasure* m = nullptr;
  for (TTransformItem& item : Items) {
    if ((item.Kind == ttTranslate || item.Kind == ttTranslateX || item.Kind == ttTranslate3d) && !item.Args.empty()) {
      m = &item.Args[0];
      break;
    }
  }
  if (!m && Add) m = append(ttTranslateX, 0, muPX, true);
  if (m) m->Parent = &Width;
  return m;
}

TMeasure* TTransform::TranslateY(bool Add) {
  refreshBox();
  TMeasure* m = nullptr;
  for (TTransformItem& item : Items) {
    if ((item.Kind == ttTranslate || item.Kind == ttTranslate3d) && item.Args.size() >= 2) {
      m = &item.Args[1];
      break;
    }
    if (item.Kind == ttTranslateY && !item.Args.empty()) {
      m = &item.Args[0];
      break;
    }
  }
  if (!m && Add) m = append(ttTranslateY, 0, muPX, true);
  if (m) m->Parent = &Height;
  return m;
}

TMeasure* TTransform::ScaleX(bool Add) {
  for (TTransformItem& item : Items)
    if ((item.Kind == ttScale || item.Kind == ttScaleX) && !item.Args.empty()) return &item.Args[0];
  return Add ? append(ttScaleX, 1, muPX, false) : nullptr;
}

TMeasure* TTransform::ScaleY(bool Add) {
  for (TTransformItem& item : Items) {
    if (item.Kind == ttScale && item.Args.size() >= 2) return &item.Args[1];
    if (item.Kind == ttScaleY && !item.Args.empty()) return &item.Args[0];
  }
  return Add ? append(ttScaleY, 1, muPX, false) : nullptr;
}

TMeasure* TTransform::Rotate(bool Add) {
  for (TTransformItem& item : Items)
    if (item.Kind == ttRotate && !item.Args.empty()) return &item.Args[0];
  return Add ? append(ttRotate, 0, muDeg, false) : nullptr;
}

TMeasure* TTransform::RotateX(bool Add) {
  for (TTransformItem& item : Items)
    if (item.Kind == ttRotateX && !item.Args.empty()) return &item.Args[0];
  return Add ? append(ttRotateX, 0, muDeg, false) : nullptr;
}

}  // namespace ht
