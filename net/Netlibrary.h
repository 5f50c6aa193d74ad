#pragma once
// The mail library's start and end, once per process: before any mail
// component runs, the temporary folder, the text search and the main thread
// are recorded; they are only read afterwards.
void InitializeNetLibrary();
void FinalizeNetLibrary();
