#pragma once
// A file written under a temporary name in its final folder and moved to
// its final name only when complete, so that a failure or a kill never
// leaves a partial file there, and an existing file is replaced only when
// asked to.
#include <string>

namespace pellaquin {

class OutputFile {
public:
  // Creates "<folder>/.<name>.XXXXXX.part"; false with a message on failure.
  bool Create(const std::string& final_path, std::string* error);
  // The temporary path (valid after Create); writers open it by name.
  const std::string& temp_path() const { return temp_; }
  // An open descriptor of the temporary file, owned by this object.
  int fd() const { return fd_; }
  // Moves the complete file to its final name. Without replace, an existing
  // file there (even one created meanwhile) makes it fail.
  bool Commit(bool replace, std::string* error);
  // Removes the temporary file (also done by the destructor).
  void Discard();
  ~OutputFile();

private:
  std::string final_;
  std::string temp_;
  int fd_ = -1;
};

// True when path names an existing file, folder or link.
bool PathExists(const std::string& path);

}  // namespace pellaquin
