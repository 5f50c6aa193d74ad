#pragma once
// The post office's process-wide objects: the post state with the browser's post adaptor
// and the moderation caller. The start-up driver starts them after the logins and the
// discussions manager, the shutdown step stops them.

#include <memory>

class TBrowsePostAdaptor;
class TModerateCaller;
class TPost;

class TPostOffice {
 public:
  TPostOffice();
  ~TPostOffice();  // stops when still started
  TPostOffice(const TPostOffice&) = delete;
  TPostOffice& operator=(const TPostOffice&) = delete;

  // Creates the objects, makes them the process-wide ones, lends the model its post-file
  // names and the moderation library's answers, creates the post folders and loads
  // "PostFiles.cbs". False when the state file is damaged (reported); the post office
  // then keeps working on an unsaved state, never writing over that file.
  bool Start();
  // Saves the post state, closes the moderation library and forgets the objects.
  void Stop();

  TPost* Post() const { return fPost.get(); }

 private:
  std::unique_ptr<TBrowsePostAdaptor> fAdaptor;
  std::unique_ptr<TPost> fPost;
  std::unique_ptr<TModerateCaller> fModerate;
};
