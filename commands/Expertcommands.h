#pragma once
// The moderator's commands on the experts of a moderated discussion (the authors of its
// moderated comments): lists of them by trust, rating one, and erasing what the discredited
// ones sent.

struct TCommand;

void ExpertsCommand(TCommand& command);                   // data1: the trust (0 all); data2 1: of moderated comments
void SetTrustCommand(TCommand& command);                  // data1: 1 trustworthy, 2 doubtful, 3 discredited
void EraseDiscreditedCommentsCommand(TCommand& command);  // data1: the trust whose comments go
