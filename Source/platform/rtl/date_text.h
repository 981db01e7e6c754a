#pragma once
// Dates and times as fixed ISO text, whatever the locale: "yyyy-mm-dd" and
// "hh:nn:ss". Reading takes "yyyy-mm-dd" and "hh:nn" or "hh:nn:ss" (blanks
// around them allowed); other text raises EConvertError "'<text>' is not a
// valid date" (or "time"). Values are date-time numbers (date_time.h); a
// date's text ignores the time of day and a time's text the day.
#include "platform/rtl/date_time.h"
#include "platform/rtl/string.h"

namespace ht {

String DateToStr(TDateTime Value);
String TimeToStr(TDateTime Value);
TDateTime StrToDate(StringView Text);
TDateTime StrToTime(StringView Text);

}  // namespace ht
