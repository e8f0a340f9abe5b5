#pragma once
// A sound file being written: signed 16-bit frames, mono or stereo, as WAV or FLAC by the
// file name's extension. The frames go to a temporary file beside the target, which takes
// the target's name only when Finish() succeeds; a render that fails or is abandoned never
// leaves a half-written file under the name the user asked for.
#include <cstddef>
#include <cstdint>
#include <memory>
#include <string>

class TAudioFile {
 public:
  TAudioFile();
  ~TAudioFile();  // an unfinished file is removed
  TAudioFile(const TAudioFile&) = delete;
  TAudioFile& operator=(const TAudioFile&) = delete;

  // Starts a file of channels (1 or 2) at rate frames per second; the extension of path
  // (".wav" or ".flac", in any case) chooses the format. A file already open is abandoned.
  bool Open(const std::string& path, int rate, int channels, std::string& error);
  // Appends frameCount interleaved frames. After a failure the file is abandoned.
  bool Write(const int16_t* frames, size_t frameCount, std::string& error);
  // Completes the file and gives it the target's name (replacing a file of that name).
  bool Finish(std::string& error);

  // Errors read "<path>: cannot write the file: <reason>".

 private:
  struct TSink;  // the temporary file as libsndfile writes it

  std::string Failure(const std::string& reason) const;
  void Abandon();

  std::string Path;
  std::unique_ptr<TSink> Sink;
};
