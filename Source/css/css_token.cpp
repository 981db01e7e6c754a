#include "css/css_token.h"

#include <iterator>

namespace ht {

StringView MeasureUnitText(TMeasureUnit Unit) {
  static constexpr StringView texts[] = {u"px", u"%",  u"in",  u"mm", u"pt", u"cm",  u"em", u"ex",
                                         u"pc", u"ms", u"s",   u"rem", u"vw", u"vh", u"deg", u""};
  static_assert(std::size(texts) == EnumCount<TMeasureUnit>());
  return Unit < std::size(texts) ? texts[Unit] : StringView();
}

void TCSSTokenSequence::Init(TCSSTokens& Tokens) {
  FOwnTokens.reset();
  FPTokens = &Tokens;
  Index = 0;
  Count = int(Tokens.size());
  Eof = Count <= 0;
  T = Eof ? nullptr : &Tokens[0];
}

void TCSSTokenSequence::InitStore(TCSSTokens Tokens) {
  auto own = std::make_shared<TCSSTokens>(std::move(Tokens));
  Init(*own);
  FOwnTokens = std::move(own);
}

bool TCSSTokenSequence::Next(int N) {
  Index += N;
  Eof = Index >= Count || Index < 0;
  T = Eof ? nullptr : &(*FPTokens)[size_t(Index)];
  return !Eof;
}

}  // namespace ht
