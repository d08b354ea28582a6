// Error types of the project. Bad data (damaged archives, packed files,
// pictures, sounds, save records) raises DataError; a file that cannot be
// opened or created raises FileError. Both carry a message fit to show a reader.
#pragma once

#include <stdexcept>
#include <string>

namespace vantel {

class Error : public std::runtime_error {
 public:
  using std::runtime_error::runtime_error;
};

// Data that cannot be decoded: a damaged zlib stream, a truncated entry, a bad picture.
class DataError : public Error {
 public:
  using Error::Error;
};

// A file that cannot be opened, created, read or written.
class FileError : public Error {
 public:
  using Error::Error;
};

// A text that is not an integer where one is required (StrToInt).
class ConvertError : public Error {
 public:
  using Error::Error;
};

// A line index outside a string list (popping from an empty queue).
class IndexError : public Error {
 public:
  using Error::Error;
};

}  // namespace vantel
