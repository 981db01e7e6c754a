#pragma once
// The one-byte kind of a markup item: what the tokenizer read and what a node
// records (as TagType) about the item it came from.
#include <cstdint>

#include "platform/rtl/enum_table.h"

namespace ht {

#include "markup/html_token_type.def"
HT_ENUM(THTMLTokenType, uint8_t, HT_HTML_TOKEN_TYPE_VALUES);

}  // namespace ht
