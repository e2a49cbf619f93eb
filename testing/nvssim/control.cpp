// The control connection: login, heartbeat, camera list, relay tickets and
// group users, every request checked against what a client must send.
#include <arpa/inet.h>

#include <algorithm>
#include <cstdio>
#include <cstring>

#include "server_impl.h"
#include "sim_digest.h"

namespace nvssim {

using wire::Header;

// The reserved account proves its password with MD5 over the challenge in
// decimal text and the first 16 password bytes; every other user with MD5
// over the challenge (4 bytes, little-endian) and the SHA-1 of the password.
void expected_digest(const std::string& user, const std::string& password, uint32_t challenge,
                     unsigned char out[16]) {
  if (user == "vomul") {
    unsigned char input[32] = {};
    std::snprintf(reinterpret_cast<char*>(input), 16, "%d", static_cast<int32_t>(challenge));
    std::memcpy(input + 16, password.data(), std::min<size_t>(password.size(), 16));
    simdigest::md5(input, sizeof input, out);
    return;
  }
  unsigned char input[24];
  for (int i = 0; i < 4; ++i) input[i] = static_cast<unsigned char>(challenge >> (8 * i));
  simdigest::sha1(password.data(), password.size(), input + 4);
  simdigest::md5(input, sizeof input, out);
}

namespace {

std::string cut(const std::string& s, size_t width) { return s.substr(0, width - 1); }

std::vector<uint8_t> result_body(std::initializer_list<uint32_t> words) {
  std::vector<uint8_t> b;
  for (uint32_t w : words) wire::put32(b, w);
  return b;
}

}  // namespace

void Server::Impl::reply(Connection& c, uint16_t id, const Header& request,
                         const std::vector<uint8_t>& body) {
  auto m = wire::message(wire::kPairRequest, id, request.txn, c.session, body);
  c.out.insert(c.out.end(), m.begin(), m.end());
}

void Server::Impl::handle_control(Connection& c) {
  size_t used = 0;
  while (c.in.size() - used >= static_cast<size_t>(wire::kHeader)) {
    const uint8_t* p = c.in.data() + used;
    Header h = wire::parse_header(p);
    if (h.body_length > static_cast<uint32_t>(wire::kMaxWhole - wire::kHeader)) {
      error("control message longer than the client's buffer", h.body_length);
      c.dead = true;
      return;
    }
    size_t whole = wire::kHeader + h.body_length;
    if (c.in.size() - used < whole) break;
    received.emplace_back(p, p + whole);
    control_message(c, h, p + wire::kHeader);
    used += whole;
    if (c.dead) return;
  }
  c.in.erase(c.in.begin(), c.in.begin() + static_cast<long>(used));
}

void Server::Impl::control_message(Connection& c, const Header& h, const uint8_t* body) {
  if (h.format != wire::kFormat) error("format word is not 2", h.format);
  if (h.pairing == wire::kPairLogout) {
    if (h.body_length != 0) error("logout notice with a body", h.body_length);
    if (c.stage != 2 || h.session != c.session) error("logout notice outside the session", h.session);
    ++counters.logout_notices;
    log("logout notice");
    c.stage = 0;
    c.close_after_flush = true;
    return;
  }
  if (h.pairing != wire::kPairRequest) {
    error("request pairing word is not 1", h.pairing);
    return;
  }

  // Checks that every request must pass; false means it is not handled.
  auto expect = [&](uint32_t body_length, bool logged_in) {
    if (h.body_length != body_length) {
      error("wrong body length for message", h.id);
      return false;
    }
    if (logged_in && (c.stage != 2 || h.session != c.session)) {
      error("request outside a logged-in session, message", h.id);
      return false;
    }
    if (!logged_in && h.session != wire::kNoSession) {
      error("login message with a session id", h.session);
      return false;
    }
    return true;
  };

  if (error_for != 0 && h.id == error_for) {
    reply(c, wire::COMMON_ERROR, h, result_body({static_cast<uint32_t>(error_code)}));
    return;
  }

  switch (h.id) {
    case wire::LOGIN_REQ_1:
      if (!expect(60, false)) return;
      if (c.stage != 0) return error("login step 1 twice", c.stage);
      login_1(c, h, body);
      break;
    case wire::LOGIN_REQ_2:
      if (!expect(16, false)) return;
      if (c.stage != 1) return error("login step 2 without step 1", c.stage);
      login_2(c, h, body);
      break;
    case wire::LIST_REQ:
      if (!expect(0, true)) return;
      ++counters.list_requests;
      {
        auto m = camera_list(*c.account, wire::LIST_RESP, h.txn, c.session, wire::kPairRequest);
        c.out.insert(c.out.end(), m.begin(), m.end());
      }
      break;
    case wire::RELAY_KEY_REQ:
      if (!expect(8, true)) return;
      relay_key(c, h, body);
      break;
    case wire::ALIVE:
      if (!expect(0, true)) return;
      ++counters.alive_received;
      if (answer_alive) reply(c, wire::ALIVE, h, {});
      break;
    case wire::GET_ALL_USER_REQ:
      if (!expect(32, true)) return;
      group_request(c, h, body);
      break;
    case wire::ADD_USER_REQ:
    case wire::UPDATE_USER_REQ:
      if (!expect(108, true)) return;
      group_request(c, h, body);
      break;
    case wire::DEL_USER_REQ:
      if (!expect(56, true)) return;
      group_request(c, h, body);
      break;
    default:
      error("unknown message id", h.id);
      break;
  }
}

void Server::Impl::login_1(Connection& c, const Header& h, const uint8_t* body) {
  if (body[31] != 0 || body[59] != 0) error("login text field without terminator", 0);
  std::string group = wire::get_text(body, 32);
  std::string user = wire::get_text(body + 32, 28);
  log("login step 1: user " + user + " group " + group);
  c.account = nullptr;
  for (const Account& a : config.accounts)
    if (cut(a.user, 28) == user && cut(a.group, 32) == group) c.account = &a;
  if (refuse_step == 1 || c.account == nullptr) {
    ++counters.logins_refused;
    int32_t r = refuse_step == 1 ? refuse_result : 1;
    reply(c, wire::LOGIN_RESP_1, h, result_body({static_cast<uint32_t>(r), 0}));
    return;
  }
  c.challenge = static_cast<uint32_t>(rng());  // mt19937 yields 32-bit values in a wider type
  c.stage = 1;
  reply(c, wire::LOGIN_RESP_1, h, result_body({0, c.challenge}));
}

void Server::Impl::login_2(Connection& c, const Header& h, const uint8_t* body) {
  unsigned char want[16];
  expected_digest(c.account->user, c.account->password, c.challenge, want);
  int32_t r = 0;
  if (refuse_step == 2)
    r = refuse_result;
  else if (std::memcmp(want, body, 16) != 0)
    r = 2;
  if (r != 0) {
    ++counters.logins_refused;
    c.stage = 0;
    reply(c, wire::LOGIN_RESP_2, h, result_body({static_cast<uint32_t>(r), 0, 0}));
    return;
  }
  c.session = next_session++;
  c.stage = 2;
  ++counters.logins_accepted;
  log("logged in: " + c.account->user + " session " + std::to_string(c.session));
  reply(c, wire::LOGIN_RESP_2, h, result_body({0, c.session, c.account->user_id}));
}

std::vector<uint8_t> Server::Impl::camera_list(const Account& a, uint16_t id, uint32_t txn,
                                               uint32_t session, uint16_t pairing) {
  std::vector<uint8_t> body;
  wire::put32(body, static_cast<uint32_t>(a.cameras.size()));
  for (const Camera& cam : a.cameras) {
    size_t start = body.size();
    wire::put32(body, cam.nvt_id);
    wire::put_text(body, cam.name, 44);
    body.resize(start + 98, 0);
    wire::put32(body, cam.relay_value);
    body.resize(start + 138, 0);
  }
  return wire::message(pairing, id, txn, session, body);
}

void Server::Impl::relay_key(Connection& c, const Header& h, const uint8_t* body) {
  ++counters.relay_key_requests;
  uint32_t nvt = wire::get32(body);
  uint32_t value = wire::get32(body + 4);
  const Camera* camera = nullptr;
  for (const Camera& cam : c.account->cameras)
    if (cam.nvt_id == nvt) camera = &cam;
  std::vector<uint8_t> ticket;
  if (camera == nullptr) {
    error("relay key for a camera the account does not have", nvt);
    wire::put32(ticket, 1);  // a refusal: no key, no endpoint
    ticket.resize(58, 0);
  } else {
    if (value != camera->relay_value) error("relay key request with the wrong camera word", value);
    std::array<uint8_t, 48> key;
    for (auto& b : key) b = static_cast<uint8_t>(rng());
    tickets[key] = Ticket{c.account, camera};
    wire::put32(ticket, 0);
    ticket.insert(ticket.end(), key.begin(), key.end());
    in_addr a{};
    ::inet_pton(AF_INET, config.address.c_str(), &a);
    const uint8_t* ab = reinterpret_cast<const uint8_t*>(&a.s_addr);
    ticket.insert(ticket.end(), ab, ab + 4);
    wire::put16(ticket, relay_port_);
  }
  reply(c, wire::RELAY_KEY_RESP, h, ticket);
}

namespace {

GroupUser read_user(const uint8_t* p) {
  GroupUser u;
  u.user_name = wire::get_text(p, 24);
  u.password = wire::get_text(p + 24, 32);
  u.group_name = wire::get_text(p + 56, 32);
  u.rights = wire::get32(p + 88);
  return u;
}

void write_user(std::vector<uint8_t>& v, const GroupUser& u) {
  wire::put_text(v, u.user_name, 24);
  wire::put_text(v, u.password, 32);
  wire::put_text(v, u.group_name, 32);
  wire::put32(v, u.rights);
  v.insert(v.end(), 16, 0);
}

}  // namespace

void Server::Impl::group_request(Connection& c, const Header& h, const uint8_t* body) {
  ++counters.group_requests;
  auto& users = config.group_users;
  auto find = [&](const std::string& name, const std::string& group) {
    for (auto it = users.begin(); it != users.end(); ++it)
      if (it->user_name == name && it->group_name == group) return it;
    return users.end();
  };
  switch (h.id) {
    case wire::GET_ALL_USER_REQ: {
      std::string group = wire::get_text(body, 32);
      if (group != cut(c.account->group, 32)) error("group users of another group asked", 0);
      std::vector<uint8_t> out;
      uint32_t n = 0;
      wire::put32(out, 0);
      for (const auto& u : users)
        if (u.group_name == group) write_user(out, u), ++n;
      std::memcpy(out.data(), &n, 4);
      reply(c, wire::GET_ALL_USER_RESP, h, out);
      break;
    }
    case wire::ADD_USER_REQ: {
      GroupUser u = read_user(body);
      bool exists = find(u.user_name, u.group_name) != users.end();
      if (!exists) users.push_back(u);
      reply(c, wire::ADD_USER_RESP, h, result_body({exists ? 1u : 0u}));
      break;
    }
    case wire::UPDATE_USER_REQ: {
      GroupUser u = read_user(body);
      auto it = find(u.user_name, u.group_name);
      if (it != users.end()) *it = u;
      reply(c, wire::UPDATE_USER_RESP, h, result_body({it != users.end() ? 0u : 1u}));
      break;
    }
    case wire::DEL_USER_REQ: {
      if (body[23] != 0 || body[55] != 0) error("delete user text field without terminator", 0);
      auto it = find(wire::get_text(body, 24), wire::get_text(body + 24, 32));
      bool found = it != users.end();
      if (found) users.erase(it);
      reply(c, wire::DEL_USER_RESP, h, result_body({found ? 0u : 1u}));
      break;
    }
    default:
      break;
  }
}

}  // namespace nvssim
