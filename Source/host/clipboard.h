#pragma once
// THtClipboard: HTML, text and images between the engine and the system
// clipboard. Stateless; every method opens the clipboard, does its work and
// closes it again, also when it fails. Failing platform calls raise
// EOSError (its message holds the error number); a missing format is no
// failure: the readers answer empty.
//
// Besides the formats of the Windows clipboard, the writers offer the
// targets other programs here read ("text/html" beside "HTML Format") and
// the readers also take theirs (text/rtf, application/mathml+xml,
// image/png, image/jpeg, image/gif, image/bmp). There are no metafiles.
#include "canvas/canvas_types.h"
#include "platform/rtl/string.h"

namespace ht {

class THtImage;

class THtClipboard {
 public:
  // Empties the clipboard and puts AHTML (unless empty) as "HTML Format"
  // and text/html, and AText (unless empty) as 8-bit and Unicode text. The
  // Unicode copy of a text with a CR LF gets one at its end when it lacks
  // it; the 8-bit copy does not.
  static void SetHTML(const String& AHTML, const String& AText, const String& ASourceFile);
  static bool HasHTML();
  // The whole "HTML Format" text, header lines and markers included.
  static String GetHTML();
  static bool HasText();
  static String GetText();
  static bool HasRTF();
  static String GetRTF();
  static bool HasMathML();
  static String GetMathML();
  // Always false and empty: no metafiles here.
  static bool HasEMF();
  static THtBytes GetEMF();
  // A bitmap or an encoded picture is there, and no rich text (a rich-text
  // selection with pictures is not an image).
  static bool HasImage();
  // The first of a JPEG, PNG or GIF picture, whole; empty without one.
  static THtBytes GetImage();
  // The device-independent bitmap as a BMP file; empty without one.
  static THtBytes GetBitmap();
  // Adds a loaded BMP, JPEG, PNG or GIF image's encoded bytes to what this
  // program offers (the clipboard is not emptied); other images do nothing.
  static void SetImage(THtImage* AImage);
};

}  // namespace ht
