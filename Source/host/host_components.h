#pragma once
// The parts of a program's forms that documents may show by name: picture
// controls and image lists, as plain data. A form owns its components; the
// program's forms are registered with the application by name. The image
// getters read them from the image-loader thread too, so they are meant to
// be set up before documents load and left alone while they do.
#include <memory>
#include <vector>

#include "canvas/canvas_types.h"
#include "platform/rtl/object.h"
#include "platform/rtl/string.h"

namespace ht {

class THtComponent : public THtObject {
 public:
  String Name;
};

// A picture control: Graphic holds a complete image file (empty: none).
class THtPictureComponent : public THtComponent {
 public:
  THtBytes Graphic;
};

// An image list: each entry a complete image file.
class THtImageListComponent : public THtComponent {
 public:
  std::vector<THtBytes> Images;
  // The entry's bytes; empty for an index out of range.
  THtBytes Item(int Index) const;
};

// A form: names its components. Look-ups ignore ASCII case.
class THtComponentOwner : public THtComponent {
 public:
  template <class T>
  T* Add(StringView AName) {
    auto c = std::make_unique<T>();
    c->Name = String(AName);
    T* result = c.get();
    FComponents.push_back(std::move(c));
    return result;
  }
  THtComponent* FindComponent(StringView AName) const;

 private:
  std::vector<std::unique_ptr<THtComponent>> FComponents;
};

// The application's forms by name (not owned): a form registers itself
// while it lives.
void RegisterHtForm(THtComponentOwner* Form);
void UnregisterHtForm(THtComponentOwner* Form);
THtComponentOwner* FindHtForm(StringView AName);

}  // namespace ht
