#pragma once
// The program's services for the libraries it loads (TLibraryServices): a received command
// message read and a new one written into the Outbox, both as the post office does it.

struct TLibraryServices;

const TLibraryServices& LibraryServices();
