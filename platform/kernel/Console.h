#pragma once
// The terminal of a program that runs without a screen: its questions are asked there,
// and the signals that ask a program to stop (Ctrl+C, SIGTERM) reach it as a request
// instead of ending the process at once, so that it can shut down and save. Texts are in
// the program's code page; the terminal speaks UTF-8.

#include <functional>
#include <string>
#include <string_view>

namespace platform {

// Whether standard input is a terminal (a person types there).
bool ConsoleIsTerminal();

// Writes a text to the terminal's error stream (standard output stays the program's own).
void WriteConsole(std::string_view text);

// Reads one line from standard input, without its line end. A hidden line is typed with
// the echo off when standard input is a terminal (the echo comes back afterwards, also
// when the read is interrupted). False at the end of the input, and once a stop signal
// came (a question is then given up).
bool ReadConsoleLine(std::string& line, bool hidden);
// The same from another descriptor.
bool ReadConsoleLineFrom(int descriptor, std::string& line, bool hidden);

// From now on SIGINT and SIGTERM only mark the stop request and call `onStop` on a thread
// of its own (it should do no more than wake the program's loop). Once per process; a
// later call replaces `onStop`; a call with an empty function ends the calls: once it
// returns, `onStop` is not running and is never called again (a program calls it before
// main returns, as the window system it wakes goes away with the statics).
void WatchStopSignals(std::function<void()> onStop);
// Whether a stop signal came since WatchStopSignals.
bool StopSignalled();

}  // namespace platform
