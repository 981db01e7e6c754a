#include "markup/entities.h"

namespace ht {

const THtmlEntity HtmlEntities[HtmlEntityCount] = {
#include "markup/entity_table.inc"
};

THtEntityDictionary* EntityDictionary = nullptr;
THtEntityReverseDictionary* EntityReverseDictionary = nullptr;

THtEntityDictionary::THtEntityDictionary()
    : THtPointerDictionary(HtmlEntityCount, RecordKeyField<&THtmlEntity::Name>, HtTagHash) {
  for (const THtmlEntity& row : HtmlEntities) {
    const int32_t h = HtTagHash(row.Name.data(), int32_t(row.Name.size()));
    Add(h, row.Name, const_cast<THtmlEntity*>(&row));
  }
}

uint32_t THtEntityDictionary::FindEntity(const char16_t* P, int32_t CharCount) const {
  const THtmlEntity* row;
  return TryGetChars(P, CharCount, row) ? row->Value : 0;
}

namespace {
bool hasReverseName(uint32_t cp) {
  if (cp <= 0xFF) return false;
  return !((cp >= 0x0100 && cp <= 0x024F) || (cp >= 0x0370 && cp <= 0x04FF) || (cp >= 0x0530 && cp <= 0x074F) ||
           (cp >= 0x2000 && cp <= 0x209F));
}
}  // namespace

THtEntityReverseDictionary::THtEntityReverseDictionary() : THtIdPointerDictionary(HtmlEntityCount) {
  for (const THtmlEntity& row : HtmlEntities) {
    if (!hasReverseName(row.Value)) continue;
    if (IndexOf(int32_t(row.Value)) >= 0) continue;  // the first name of a code point wins
    Add(int32_t(row.Value), const_cast<THtmlEntity*>(&row));
  }
}

const THtmlEntity* THtEntityReverseDictionary::FindEntity(uint32_t Ch) const {
  const int32_t slot = IndexOf(int32_t(Ch & 0xFFFF));
  return slot >= 0 ? static_cast<const THtmlEntity*>(Items()[slot].Data) : nullptr;
}

void CreateEntityDictionaries() {
  if (!EntityDictionary) EntityDictionary = new THtEntityDictionary();
  if (!EntityReverseDictionary) EntityReverseDictionary = new THtEntityReverseDictionary();
}

void FreeEntityDictionaries() {
  delete EntityDictionary;
  EntityDictionary = nullptr;
  delete EntityReverseDictionary;
  EntityReverseDictionary = nullptr;
}

}  // namespace ht
