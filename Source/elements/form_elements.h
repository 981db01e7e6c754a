#pragma once
// The form-control unit's element classes, registered by the elements
// unit's start-up: frameset, frame, label, comments ("!"), fieldset, input,
// select and textarea.
namespace ht {

void RegisterFormElementClasses();
// Gives the tags back to the plain element class.
void UnregisterFormElementClasses();

}  // namespace ht
