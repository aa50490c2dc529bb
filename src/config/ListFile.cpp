#include "config/ListFile.h"

#include <cstdio>
#include <memory>

#include "platform/AtomicFile.h"
#include "platform/FileConventions.h"

namespace vyk {
namespace {

struct FileCloser {
  void operator()(std::FILE* file) const { std::fclose(file); }
};

void AddPiece(std::string& piece, std::vector<std::string>& lines) {
  if (!piece.empty() && piece.back() == '\n') piece.pop_back();
  // The lines were C strings: a NUL byte ends one.
  if (auto nul = piece.find('\0'); nul != std::string::npos) piece.resize(nul);
  lines.push_back(std::move(piece));
  piece.clear();
}

}  // namespace

bool ReadListFileLines(const std::string& path, std::vector<std::string>& lines) {
  lines.clear();
  std::unique_ptr<std::FILE, FileCloser> file(std::fopen(path.c_str(), "rb"));
  if (!file) return false;
  std::string piece;
  int c;
  while ((c = std::getc(file.get())) != EOF) {
    if (c == '\r') {
      // Text mode of the platform the files come from: CR LF is one LF.
      int next = std::getc(file.get());
      if (next == '\n')
        c = '\n';
      else if (next != EOF)
        std::ungetc(next, file.get());
    }
    piece.push_back(static_cast<char>(c));
    if (c == '\n' || piece.size() >= kMaxListLine) AddPiece(piece, lines);
  }
  if (!piece.empty()) AddPiece(piece, lines);
  return true;
}

bool WriteListFileLines(const std::string& path, const std::vector<std::string>& lines) {
  std::string bytes;
  for (const std::string& line : lines) {
    bytes += line;
    bytes += kLineEnd;
  }
  return WriteFileAtomically(path, bytes);
}

}  // namespace vyk
