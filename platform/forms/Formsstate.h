#pragma once
// State shared by the controls of this library: the control holding the mouse, the
// one under it, the depth of message handling and the controls waiting to be freed.

class TControl;

namespace platform::forms {

extern TControl* captureControl;
extern TControl* mouseControl;
// Depth of nested message handling by controls of this library.
extern int messageDepth;
// Frees the controls asked to be freed later, once no message is being handled.
void RunDeferredFrees();
void ForgetDeferred(TControl* Control);
void DeferFree(TControl* Control);

}  // namespace platform::forms
