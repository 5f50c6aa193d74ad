#pragma once
// The process-wide utility objects: the error state, the memory manager and
// the listener registry. One TUtilityGlobal lives from start-up to shutdown;
// creating it starts from a clean state and logs the start, destroying it logs
// the finish. Its address is what libraries loaded at run time are given, so
// that they use the same objects and reach the program's services.

class TError;
struct TLibraryServices;
class TListeners;
class TMemManager;

class TUtilityGlobal {
 public:
  TUtilityGlobal();
  ~TUtilityGlobal();
  TUtilityGlobal(const TUtilityGlobal&) = delete;
  TUtilityGlobal& operator=(const TUtilityGlobal&) = delete;

  // The living one, null before start-up and after shutdown.
  static TUtilityGlobal* Current();

  TError* Error;
  TMemManager* MemManager;
  TListeners* Listeners;
  // Set by the part of the program that loads a library, before it hands this over.
  const TLibraryServices* Services = nullptr;

 private:
  void Init();
  void Done();
};
