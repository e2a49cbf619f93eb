// The partial file of one recording while it downloads: resumed at its
// length, written block by block at the block's offset, cut back to a known
// good length when a chunk goes wrong, and renamed to its final name (never
// over an existing file) once complete. Stateless between calls: every call
// opens and closes the file, so nothing is lost when the program stops.
// A call that fails can say which step failed, on which path and why
// (`why`, in the user's language), and leaves errno set to the reason.
#pragma once

#include <cstdint>
#include <string>

namespace velmora {

class PartialFile {
public:
  PartialFile() = default;
  PartialFile(std::string partial, std::string final_path)
      : partial_(std::move(partial)), final_(std::move(final_path)) {}

  const std::string& path() const { return partial_; }
  const std::string& final_path() const { return final_; }

  // Bytes held, or -1 when there is no partial file.
  long long length() const;
  bool final_exists() const;
  // Writes all n bytes at offset, creating the file when missing and never
  // truncating it. False on any failure (a full disk, a file-size limit).
  bool write_at(std::uint64_t offset, const char* data, std::uint32_t n,
                std::string* why = nullptr) const;
  // Makes the file exactly `length` bytes long (creating it when missing).
  bool cut_to(std::uint64_t length, std::string* why = nullptr) const;
  // Gives the file its final name; fails rather than replace a final file
  // that appeared meanwhile.
  bool finish(std::string* why = nullptr) const;
  // Takes a finished file back to its partial name (never over a partial
  // file that appeared meanwhile).
  bool reopen() const;

private:
  std::string partial_;
  std::string final_;
};

}  // namespace velmora
