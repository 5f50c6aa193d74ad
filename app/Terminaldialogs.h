#pragma once
// The foundation's questions on the terminal, for a program that runs without a screen:
// the input box reads a line (hidden answers with the echo off), a message box with one
// button only tells, one with several asks for the button's number. The error window is
// its report on the terminal. Answers may come piped, one a line; the end of the input
// cancels a question and takes a message box's default button.

void RegisterTerminalDialogs();

class TStartupDriver;

// Start-up without a screen: the questions on the terminal, no read-me (nobody could
// close its window), and a word on the terminal once the user is logged in.
void PrepareTerminalStartup(TStartupDriver& driver);
// Start-up without a screen ended without a login (the input ended, or a stop signal came,
// at a question): says so, so that the end has a word.
void TellNoLoginOnTerminal();
