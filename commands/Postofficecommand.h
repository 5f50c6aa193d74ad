#pragma once
// The browse window's way into the post office.

struct TCommand;

// The post office window, modal, with the browse window's settings.
void RunPostModuleCommand(TCommand& command);
