#pragma once
// The platform's date-time number: whole days since 30 December 1899 plus the
// fraction of the day. Our own day-count arithmetic (proleptic Gregorian
// calendar, years 1 to 9999); no C library time or locale is involved.
#include <cstdint>

#include "platform/rtl/exception.h"

namespace ht {

using TDateTime = double;

// The platform's conversion error (dates, numbers read from text).
HT_DECLARE_EXCEPTION(EConvertError, Exception);

bool IsLeapYear(int year);
int DaysInMonth(int year, int month);

// False for impossible dates (month 13, 31 February, year 0 or 10000).
bool TryEncodeDate(int year, int month, int day, TDateTime& date);
// As TryEncodeDate, raising EConvertError for an impossible date.
TDateTime EncodeDate(int year, int month, int day);

// The calendar date of the whole-day part (truncated towards zero, as the
// date-time number defines for days before 1899-12-30).
void DecodeDate(TDateTime date, int& year, int& month, int& day);

}  // namespace ht
