#pragma once
// The mail library's start and end, once per process: before any mail
// component runs, the temporary folder, the text search and the main thread
// are recorded; they are only read afterwards. The process's private attachment folder is
// made at the start (what killed processes left is cleared then) and removed at the end.
void InitializeNetLibrary();
void FinalizeNetLibrary();
