#include <cstdio>
#include <cstring>

#include "net/log.h"
#include "net/tcp_connection.h"

namespace kestrune {

template <class T>
CircleBuffer<T>::CircleBuffer(int capacity)
    : storage_(new T[capacity]),
      write_index_(capacity - 1),
      read_index_(capacity - 1),
      capacity_(capacity) {}

template <class T>
CircleBuffer<T>::~CircleBuffer() {
  delete[] storage_;
}

template <class T>
void CircleBuffer<T>::reset() {
  write_index_ = capacity_ - 1;
  read_index_ = capacity_ - 1;
  count_.store(0);
}

template class CircleBuffer<unsigned char>;

// The writer's side: the reader can only make the count smaller meanwhile, so
// the room found here is still there when the bytes are copied.
int CSendBuffer::write_block(int size, const void* data, int* held_before) {
  if (size > capacity_) {
    plain_line("[Send Buffer]: Too Larger Data Block:", size);
    return -2;
  }
  if (size <= 0) return 0;
  if (count_.load() + size >= capacity_) return -1;
  int start = write_index_ + 1;
  if (start >= capacity_) start = 0;
  const unsigned char* src = static_cast<const unsigned char*>(data);
  int first = capacity_ - start < size ? capacity_ - start : size;
  std::memcpy(storage_ + start, src, first);
  if (first < size) std::memcpy(storage_, src + first, size - first);
  write_index_ = (start + size - 1) % capacity_;
  const int before = count_.fetch_add(size);  // publishes the copy to the reader
  if (held_before != nullptr) *held_before = before;
  return 0;
}

// The reader's side from here on: the writer can only make the count larger
// meanwhile, and never touches the bytes counted.
int CSendBuffer::read_block(unsigned char* out) {
  const int held = count_.load();
  int n = held < kBlock ? held : kBlock;
  if (n == 0) return 0;
  int start = read_index_ + 1;
  if (start >= capacity_) start = 0;
  int first = capacity_ - start < n ? capacity_ - start : n;
  std::memcpy(out, storage_ + start, first);
  if (first < n) std::memcpy(out + first, storage_, n - first);
  read_index_ = (start + n - 1) % capacity_;
  count_.fetch_sub(n);
  return n;
}

int CSendBuffer::peek(iovec pieces[2]) const {
  const int held = count_.load();
  if (held <= 0) return 0;
  int start = read_index_ + 1;
  if (start >= capacity_) start = 0;
  const int first = capacity_ - start < held ? capacity_ - start : held;
  pieces[0].iov_base = storage_ + start;
  pieces[0].iov_len = static_cast<std::size_t>(first);
  if (first == held) return 1;
  pieces[1].iov_base = storage_;
  pieces[1].iov_len = static_cast<std::size_t>(held - first);
  return 2;
}

void CSendBuffer::consume(int n) {
  const int held = count_.load();
  if (n > held) n = held;
  if (n <= 0) return;
  int start = read_index_ + 1;
  if (start >= capacity_) start = 0;
  read_index_ = (start + n - 1) % capacity_;
  count_.fetch_sub(n);  // hands the space back to the writer
}

}  // namespace kestrune
