#pragma once
// Reading dates and times with a mask. The result is the platform's
// date-time number (platform/rtl/date_time.h): days since 1899-12-30 plus
// the fraction of the day.
#include "platform/rtl/date_time.h"
#include "platform/rtl/string.h"

namespace ht {

// Mask letters: d/dd day, m/mm month, mmm month name (English, or lower-case
// Russian abbreviations), mmmm a full month name, MMM an English name whose
// full length is skipped, yyyy (or two digits) and yy/y years (two-digit
// years below 60 are 20xx, others 19xx), h/hh hour, nn minutes, ss seconds,
// "p" plus one more letter an am/pm marker; any other character skips one
// character of value. An empty mask is chosen from value's shape; the mask
// "cisco" reads stamps such as "*10:20:30.123 UTC Mon Mar 1 2023".
// An empty value gives 0. Mismatches raise EConvertError
// "Date/time string '<value>' does not match mask '<mask>'".
TDateTime ParseDateTimeMask(StringView value, StringView mask);

}  // namespace ht
