#pragma once
// A discussion's annotation: "Discussion info" shows and edits it, "Annotation" announces
// it with NEW_ANNOTATION messages to the advertising list, the robot and the Web.

#include "foundation/Tstr.h"

struct TCommand;
class TDiscussion;

void DiscussionInfoCommand(TCommand& command);  // "Discussion info"
void AnnotationCommand(TCommand& command);      // "Annotation"
