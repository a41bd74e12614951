// The fetch of every address with libcurl's multi interface. Redirects are followed here, not
// by the library, so that each hop is seen: a loop, a non-web scheme, a permanent move, the
// https hops an old browser has to open.
#include <arpa/inet.h>
#include <curl/curl.h>
#include <unistd.h>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstring>
#include <ctime>
#include <deque>
#include <map>
#include <memory>
#include <set>
#include <string>
#include <vector>

#include "link_check.h"
#include "link_private_network.h"
#include "text_encoding.h"

namespace {

using Clock = std::chrono::steady_clock;

constexpr std::size_t kFirstBytes = 4096;
constexpr std::size_t kRetryAfterKept = 100;  // longer than any date or any bound's digits
constexpr int kMaxRedirects = 10;
constexpr int kParallel = 16;
constexpr int kPerHost = 2;
constexpr char kUserAgent[] =
    "catalogue-check/1 (link check of the camera driver catalogue by its maintainers)";

double SecondsBetween(Clock::time_point from, Clock::time_point to) {
  return std::chrono::duration<double>(to - from).count();
}

Clock::time_point After(Clock::time_point from, double seconds) {
  return from + std::chrono::duration_cast<Clock::duration>(std::chrono::duration<double>(seconds));
}

std::string Lower(std::string text) {
  for (char& c : text)
    if (c >= 'A' && c <= 'Z') c = static_cast<char>(c - 'A' + 'a');
  return text;
}

struct UrlParts {
  std::string scheme, host;
  unsigned short port = 0;
};

bool ParseUrl(const std::string& url, UrlParts& parts) {
  CURLU* handle = curl_url();
  if (handle == nullptr) return false;
  bool ok = curl_url_set(handle, CURLUPART_URL, url.c_str(), 0) == CURLUE_OK;
  char* text = nullptr;
  if (ok && curl_url_get(handle, CURLUPART_SCHEME, &text, 0) == CURLUE_OK) {
    parts.scheme = Lower(text);
    curl_free(text);
  }
  if (ok && curl_url_get(handle, CURLUPART_HOST, &text, 0) == CURLUE_OK) {
    parts.host = Lower(text);
    curl_free(text);
  }
  if (ok && curl_url_get(handle, CURLUPART_PORT, &text, CURLU_DEFAULT_PORT) == CURLUE_OK) {
    parts.port = static_cast<unsigned short>(std::atoi(text));
    curl_free(text);
  }
  curl_url_cleanup(handle);
  return ok;
}

struct Job {
  const LinkTarget* target = nullptr;
  LinkResult result;
  std::string url;
  bool get = false;  // false: HEAD
  std::set<std::string> seen;
  bool started = false, done = false;
  Clock::time_point start, deadline, readyAt;
  bool fromPublic = false;      // the request under way was led to from a public address
  bool permanentSoFar = true;   // every hop so far a permanent move
  std::string host;  // of the request under way
  // The request under way.
  CURL* easy = nullptr;
  PrivateGuard guard;
  std::string body;
  bool bodyFull = false;
  std::string contentRange;
  std::string retryAfter;  // the header's value, its first kRetryAfterKept bytes
  std::int64_t headLength = -1;
  std::string headType;
  char error[CURL_ERROR_SIZE] = {};
};

std::size_t KeepFirstBytes(char* data, std::size_t size, std::size_t count, void* user) {
  auto* job = static_cast<Job*>(user);
  const std::size_t bytes = size * count;
  const std::size_t room = kFirstBytes - job->body.size();
  job->body.append(data, std::min(room, bytes));
  if (bytes < room) return bytes;
  // Enough: the rest of the body is never read, however large.
  job->bodyFull = true;
  return 0;
}

std::string Trimmed(const std::string& text) {
  const std::size_t first = text.find_first_not_of(" \t\r\n");
  if (first == std::string::npos) return "";
  return text.substr(first, text.find_last_not_of(" \t\r\n") + 1 - first);
}

std::size_t NoteHeader(char* data, std::size_t size, std::size_t count, void* user) {
  auto* job = static_cast<Job*>(user);
  const std::string line = Lower(std::string(data, size * count));
  if (line.rfind("http/", 0) == 0) {
    job->contentRange.clear();
    job->retryAfter.clear();
  } else if (line.rfind("content-range:", 0) == 0) {
    job->contentRange = line.substr(14);
  } else if (line.rfind("retry-after:", 0) == 0) {
    job->retryAfter = Trimmed(std::string(data + 12, size * count - 12)).substr(0, kRetryAfterKept);
  }
  return size * count;
}

enum class RetryWhen { kNotSaid, kWithin, kPast };

// Retry-After's delay-seconds or HTTP-date against `limit` seconds, compared before anything
// becomes a number that could overflow: `seconds` is set only within the limit. A value of
// neither form says nothing.
RetryWhen ReadRetryAfter(const std::string& value, double limit, double& seconds) {
  if (value.empty()) return RetryWhen::kNotSaid;
  if (value.find_first_not_of("0123456789") == std::string::npos) {
    const std::size_t first = std::min(value.find_first_not_of('0'), value.size() - 1);
    const std::string digits = value.substr(first);
    // Past 15 digits the wait is past any bound (the options allow a day); up to 15 it
    // converts exactly.
    if (digits.size() > 15) return RetryWhen::kPast;
    const double wait = static_cast<double>(std::stoull(digits));
    if (wait > limit) return RetryWhen::kPast;
    seconds = wait;
    return RetryWhen::kWithin;
  }
  const std::time_t date = curl_getdate(value.c_str(), nullptr);
  if (date == -1) return RetryWhen::kNotSaid;
  const double wait = std::difftime(date, std::time(nullptr));  // a double: no overflow
  if (wait > limit) return RetryWhen::kPast;
  seconds = std::max(0.0, wait);
  return RetryWhen::kWithin;
}

bool HasControlByte(const std::string& text) {
  return std::any_of(text.begin(), text.end(), [](char c) {
    return static_cast<unsigned char>(c) < 0x20 || c == 0x7F;
  });
}

// Whether the request's connection went to a public address, as it was made.
bool ConnectedToPublic(CURL* easy) {
  char* ip = nullptr;
  if (curl_easy_getinfo(easy, CURLINFO_PRIMARY_IP, &ip) != CURLE_OK || ip == nullptr) return false;
  sockaddr_in v4{};
  sockaddr_in6 v6{};
  if (inet_pton(AF_INET, ip, &v4.sin_addr) == 1) {
    v4.sin_family = AF_INET;
    return !IsPrivateAddress(reinterpret_cast<const sockaddr*>(&v4));
  }
  if (inet_pton(AF_INET6, ip, &v6.sin6_addr) == 1) {
    v6.sin6_family = AF_INET6;
    return !IsPrivateAddress(reinterpret_cast<const sockaddr*>(&v6));
  }
  return false;
}

// The whole size from "bytes 0-4095/123456", -1 when it is not given.
std::int64_t RangeTotal(const std::string& range) {
  const std::size_t slash = range.find('/');
  if (slash == std::string::npos) return -1;
  const char* digits = range.c_str() + slash + 1;
  if (*digits < '0' || *digits > '9') return -1;
  return std::strtoll(digits, nullptr, 10);
}

LinkFailure FailureOf(CURLcode code) {
  switch (code) {
    case CURLE_COULDNT_RESOLVE_HOST:
    case CURLE_COULDNT_RESOLVE_PROXY:
      return LinkFailure::kNameNotFound;
    case CURLE_COULDNT_CONNECT:
      return LinkFailure::kNoConnection;
    case CURLE_PEER_FAILED_VERIFICATION:
    case CURLE_SSL_CACERT_BADFILE:
    case CURLE_SSL_ISSUER_ERROR:
    case CURLE_SSL_PINNEDPUBKEYNOTMATCH:
    case CURLE_SSL_INVALIDCERTSTATUS:
      return LinkFailure::kCertificate;
    case CURLE_SSL_CONNECT_ERROR:
    case CURLE_SSL_CIPHER:
    case CURLE_SSL_CERTPROBLEM:
      return LinkFailure::kTls;
    case CURLE_GOT_NOTHING:
    case CURLE_RECV_ERROR:
    case CURLE_SEND_ERROR:
    case CURLE_WEIRD_SERVER_REPLY:
    case CURLE_PARTIAL_FILE:
    case CURLE_HTTP2:
    case CURLE_HTTP2_STREAM:
      return LinkFailure::kBadAnswer;
    default:
      return LinkFailure::kOther;
  }
}

class Fetcher {
 public:
  Fetcher(const std::vector<LinkTarget>& targets, const LinkOptions& options)
      : options_(options), jobs_(targets.size()) {
    for (std::size_t i = 0; i < targets.size(); ++i) {
      jobs_[i].target = &targets[i];
      jobs_[i].result.target = targets[i];
      jobs_[i].url = targets[i].sent;
      jobs_[i].seen.insert(targets[i].sent);
      ready_.push_back(i);
    }
    multi_ = curl_multi_init();
    curl_multi_setopt(multi_, CURLMOPT_MAX_HOST_CONNECTIONS, static_cast<long>(kPerHost));
    curl_multi_setopt(multi_, CURLMOPT_MAX_TOTAL_CONNECTIONS, static_cast<long>(kParallel));
  }
  ~Fetcher() {
    for (Job& job : jobs_) EndRequest(job);
    curl_multi_cleanup(multi_);
  }

  LinkRun Run();

 private:
  void Start(std::size_t index, Clock::time_point now);
  void EndRequest(Job& job);
  void Finished(std::size_t index, CURLcode code, Clock::time_point now);
  void Again(std::size_t index) { ready_.push_back(index); }
  void Finish(Job& job, LinkFailure failure, Clock::time_point now, std::string detail = "");
  void CutAll(Clock::time_point now);
  void ShowProgress(Clock::time_point now, bool last);
  void CheckOldBrowsers(Clock::time_point runStart);

  const LinkOptions& options_;
  std::vector<Job> jobs_;
  std::deque<std::size_t> ready_;
  std::vector<std::size_t> waiting_;  // until their readyAt: Retry-After
  std::map<std::string, int> perHost_;
  int active_ = 0;
  std::size_t finished_ = 0, dead_ = 0;
  std::string lastHost_;
  Clock::time_point shownAt_{};
  bool shown_ = false;
  CURLM* multi_ = nullptr;
};

void Fetcher::Start(std::size_t index, Clock::time_point now) {
  Job& job = jobs_[index];
  if (!job.started) {
    job.started = true;
    job.start = now;
    job.deadline = After(now, options_.addressSeconds);
  }
  const double left = SecondsBetween(now, job.deadline);
  if (left <= 0) return Finish(job, LinkFailure::kAddressBound, now);
  job.body.clear();
  job.bodyFull = false;
  job.contentRange.clear();
  job.retryAfter.clear();
  job.error[0] = '\0';
  job.guard.refuse = job.fromPublic;
  job.guard.refused.clear();
  CURL* easy = curl_easy_init();
  job.easy = easy;
  curl_easy_setopt(easy, CURLOPT_URL, job.url.c_str());
  curl_easy_setopt(easy, CURLOPT_PRIVATE, &job);
  curl_easy_setopt(easy, CURLOPT_ERRORBUFFER, job.error);
  curl_easy_setopt(easy, CURLOPT_NOSIGNAL, 1L);
  // A look-up still stuck at the bound is left to its thread, not waited for.
  curl_easy_setopt(easy, CURLOPT_QUICK_EXIT, 1L);
  curl_easy_setopt(easy, CURLOPT_OPENSOCKETFUNCTION, OpenUnlessPrivate);
  curl_easy_setopt(easy, CURLOPT_OPENSOCKETDATA, &job.guard);
  // A connection kept from an earlier request would pass by the guard.
  if (job.fromPublic) curl_easy_setopt(easy, CURLOPT_FRESH_CONNECT, 1L);
  curl_easy_setopt(easy, CURLOPT_USERAGENT, kUserAgent);
  curl_easy_setopt(easy, CURLOPT_FOLLOWLOCATION, 0L);
  curl_easy_setopt(easy, CURLOPT_PROTOCOLS_STR, "http,https");
  curl_easy_setopt(easy, CURLOPT_SSL_VERIFYPEER, 1L);
  curl_easy_setopt(easy, CURLOPT_SSL_VERIFYHOST, 2L);
  if (!options_.caFile.empty()) curl_easy_setopt(easy, CURLOPT_CAINFO, options_.caFile.c_str());
  // HEAD gets half of what is left, so that the GET after it has the rest.
  const long leftMs = std::max(1L, static_cast<long>(left * (job.get ? 1000 : 500)));
  curl_easy_setopt(easy, CURLOPT_TIMEOUT_MS, leftMs);
  curl_easy_setopt(easy, CURLOPT_CONNECTTIMEOUT_MS,
                   std::min(leftMs, static_cast<long>(options_.connectSeconds * 1000)));
  curl_easy_setopt(easy, CURLOPT_WRITEFUNCTION, KeepFirstBytes);
  curl_easy_setopt(easy, CURLOPT_WRITEDATA, &job);
  curl_easy_setopt(easy, CURLOPT_HEADERFUNCTION, NoteHeader);
  curl_easy_setopt(easy, CURLOPT_HEADERDATA, &job);
  if (job.get) {
    curl_easy_setopt(easy, CURLOPT_HTTPGET, 1L);
    curl_easy_setopt(easy, CURLOPT_RANGE, "0-4095");
  } else {
    curl_easy_setopt(easy, CURLOPT_NOBODY, 1L);
  }
  UrlParts parts;
  ParseUrl(job.url, parts);
  job.host = parts.host;
  lastHost_ = parts.host;
  ++perHost_[job.host];
  ++active_;
  curl_multi_add_handle(multi_, easy);
}

void Fetcher::EndRequest(Job& job) {
  if (job.easy == nullptr) return;
  curl_multi_remove_handle(multi_, job.easy);
  curl_easy_cleanup(job.easy);
  job.easy = nullptr;
  --perHost_[job.host];
  --active_;
}

void Fetcher::Finish(Job& job, LinkFailure failure, Clock::time_point now, std::string detail) {
  EndRequest(job);
  job.done = true;
  job.result.failure = failure;
  if (!detail.empty()) job.result.detail = std::move(detail);
  job.result.seconds = job.started ? SecondsBetween(job.start, now) : 0;
  job.result.finalAddress = job.url;
  ++finished_;
  dead_ += failure != LinkFailure::kNone;
}

void Fetcher::Finished(std::size_t index, CURLcode code, Clock::time_point now) {
  Job& job = jobs_[index];
  CURL* easy = job.easy;
  long status = 0;
  curl_easy_getinfo(easy, CURLINFO_RESPONSE_CODE, &status);
  if (code == CURLE_WRITE_ERROR && job.bodyFull) code = CURLE_OK;
  const std::string error = job.error[0] != '\0' ? job.error : curl_easy_strerror(code);
  if (code != CURLE_OK) {
    if (!job.guard.refused.empty())
      return Finish(job, LinkFailure::kPrivateNetwork, now, job.guard.refused);
    LinkFailure failure = FailureOf(code);
    if (code == CURLE_OPERATION_TIMEDOUT) {
      // The request's whole bound is the address's; one that ended well before it was the
      // connect bound's. (A reused connection has no connect time to tell by.)
      failure = now + std::chrono::milliseconds(50) < job.deadline ? LinkFailure::kNoConnection
                                                                   : LinkFailure::kAddressBound;
    }
    // A click is a GET: a HEAD not answered, or not within its share, is not the last word.
    if (!job.get && (failure == LinkFailure::kBadAnswer || code == CURLE_OPERATION_TIMEDOUT)) {
      EndRequest(job);
      job.get = true;
      return Again(index);
    }
    job.result.status = status;
    return Finish(job, failure, now, error);
  }
  job.result.status = status;
  char* type = nullptr;
  curl_easy_getinfo(easy, CURLINFO_CONTENT_TYPE, &type);
  const std::string contentType = type != nullptr ? type : "";
  curl_off_t length = -1;
  curl_easy_getinfo(easy, CURLINFO_CONTENT_LENGTH_DOWNLOAD_T, &length);

  if (status >= 300 && status < 400) {
    char* location = nullptr;
    curl_easy_getinfo(easy, CURLINFO_REDIRECT_URL, &location);
    if (location != nullptr) {
      const std::string next = location;
      const bool fromPublic = ConnectedToPublic(easy);
      job.result.hops.push_back({status, next, fromPublic});
      // 301 and 308 move for good; 302, 303 and 307 only for now. The catalogue's new text is
      // where the moves for good from its address end.
      job.permanentSoFar = job.permanentSoFar && (status == 301 || status == 308);
      if (job.permanentSoFar) {
        job.result.permanentRedirect = true;
        job.result.movedTo = next;
      }
      EndRequest(job);
      job.url = next;
      if (job.result.hops.size() > static_cast<std::size_t>(kMaxRedirects))
        return Finish(job, LinkFailure::kTooManyRedirects, now, next);
      if (HasControlByte(next)) return Finish(job, LinkFailure::kRedirectControl, now, next);
      UrlParts parts;
      if (!ParseUrl(next, parts) || (parts.scheme != "http" && parts.scheme != "https"))
        return Finish(job, LinkFailure::kRedirectNotWeb, now, next);
      if (!job.seen.insert(next).second) return Finish(job, LinkFailure::kRedirectLoop, now, next);
      job.fromPublic = fromPublic;
      return Again(index);
    }
  }
  if ((status == 429 || status == 503) && job.result.retries == 0) {
    double wait = 0;
    const RetryWhen when = ReadRetryAfter(job.retryAfter, SecondsBetween(now, job.deadline), wait);
    if (when == RetryWhen::kWithin) {
      EndRequest(job);
      ++job.result.retries;
      job.readyAt = After(now, wait);
      waiting_.push_back(index);
      return;
    }
    if (when == RetryWhen::kPast && job.get) {
      const bool digits = job.retryAfter.find_first_not_of("0123456789") == std::string::npos;
      return Finish(job, LinkFailure::kStatus, now,
                    "Retry-After " + job.retryAfter + (digits ? " s" : "") +
                        " is past the address's bound");
    }
  }
  if (!job.get && !(status >= 200 && status < 400)) {
    EndRequest(job);
    job.get = true;
    return Again(index);
  }
  if (status >= 200 && status < 300) {
    if (!job.get) {
      // The first bytes tell what a click gets; HEAD has none.
      job.headLength = length;
      job.headType = contentType;
      EndRequest(job);
      job.get = true;
      return Again(index);
    }
    job.result.content = SniffContent(job.body);
    job.result.contentType = !contentType.empty() ? contentType : job.headType;
    if (status == 206)
      job.result.bytes = RangeTotal(job.contentRange);
    else if (!job.bodyFull)
      job.result.bytes = static_cast<std::int64_t>(job.body.size());
    else
      job.result.bytes = length;
    if (job.result.bytes < 0) job.result.bytes = job.headLength;
    return Finish(job, LinkFailure::kNone, now);
  }
  job.result.contentType = contentType;
  return Finish(job, LinkFailure::kStatus, now);
}

void Fetcher::CutAll(Clock::time_point now) {
  for (Job& job : jobs_)
    if (!job.done)
      Finish(job, LinkFailure::kRunBound, now,
             std::to_string(static_cast<long>(options_.runSeconds)) + " s");
  ready_.clear();
  waiting_.clear();
}

void Fetcher::ShowProgress(Clock::time_point now, bool last) {
  if (!options_.progress) return;
  if (last) {
    if (shown_) std::fputs("\r\033[K", stderr);
    return;
  }
  if (shown_ && SecondsBetween(shownAt_, now) < 0.25) return;
  shown_ = true;
  shownAt_ = now;
  const std::string host = ShownOnTerminal(lastHost_);
  std::fprintf(stderr, "\r\033[Klinks: %zu/%zu done, %zu dead, %s", finished_, jobs_.size(), dead_,
               host.c_str());
  std::fflush(stderr);
}

LinkRun Fetcher::Run() {
  const Clock::time_point runStart = Clock::now();
  const Clock::time_point runEnd = After(runStart, options_.runSeconds);
  while (finished_ < jobs_.size()) {
    Clock::time_point now = Clock::now();
    if (now >= runEnd) {
      CutAll(now);
      break;
    }
    for (auto it = waiting_.begin(); it != waiting_.end();) {
      if (jobs_[*it].readyAt <= now) {
        ready_.push_back(*it);
        it = waiting_.erase(it);
      } else {
        ++it;
      }
    }
    std::set<std::string> full;  // hosts with all their slots taken in this pass
    for (auto it = ready_.begin(); it != ready_.end() && active_ < kParallel;) {
      const std::size_t index = *it;
      UrlParts parts;
      ParseUrl(jobs_[index].url, parts);
      if (full.count(parts.host) != 0 || perHost_[parts.host] >= kPerHost) {
        full.insert(parts.host);
        ++it;
        continue;
      }
      it = ready_.erase(it);
      Start(index, now);
    }
    int running = 0;
    curl_multi_perform(multi_, &running);
    int left = 0;
    while (CURLMsg* message = curl_multi_info_read(multi_, &left)) {
      if (message->msg != CURLMSG_DONE) continue;
      Job* job = nullptr;
      curl_easy_getinfo(message->easy_handle, CURLINFO_PRIVATE, &job);
      Finished(static_cast<std::size_t>(job - jobs_.data()), message->data.result, Clock::now());
    }
    now = Clock::now();
    ShowProgress(now, false);
    if (!ready_.empty() && active_ < kParallel && finished_ < jobs_.size()) {
      // A job just went back to the queue: start it without waiting for the sockets.
      bool startable = false;
      for (std::size_t index : ready_) {
        UrlParts parts;
        ParseUrl(jobs_[index].url, parts);
        if (perHost_[parts.host] < kPerHost) {
          startable = true;
          break;
        }
      }
      if (startable) continue;
    }
    double wait = std::min(0.1, SecondsBetween(now, runEnd));
    for (std::size_t index : waiting_)
      wait = std::min(wait, SecondsBetween(now, jobs_[index].readyAt));
    int events = 0;
    curl_multi_poll(multi_, nullptr, 0, std::max(0, static_cast<int>(wait * 1000)), &events);
  }
  CheckOldBrowsers(runStart);
  ShowProgress(Clock::now(), true);
  LinkRun run;
  run.seconds = SecondsBetween(runStart, Clock::now());
  for (Job& job : jobs_) run.results.push_back(std::move(job.result));
  return run;
}

// Every https address on the way of an XP link, each host and port once.
void Fetcher::CheckOldBrowsers(Clock::time_point runStart) {
  std::map<std::string, std::pair<OldBrowsers, std::string>> tried;
  for (Job& job : jobs_) {
    LinkResult& result = job.result;
    const bool forXp = std::any_of(result.target.uses.begin(), result.target.uses.end(),
                                   [](const LinkUse& use) { return use.link <= 1; });
    if (!forXp || result.Dead() || result.Slow()) continue;
    std::vector<std::pair<std::string, bool>> way{{result.target.sent, false}};
    for (const LinkHop& hop : result.hops) way.emplace_back(hop.location, hop.fromPublic);
    for (const auto& [address, fromPublic] : way) {
      UrlParts parts;
      if (!ParseUrl(address, parts) || parts.scheme != "https") continue;
      result.oldBrowsers = OldBrowsers::kOpens;
      const std::string name = parts.host + ":" + std::to_string(parts.port);
      const std::string key = name + (fromPublic ? " guarded" : "");
      auto found = tried.find(key);
      if (found == tried.end()) {
        const double left = options_.runSeconds - SecondsBetween(runStart, Clock::now());
        if (left < 1) {
          // Too short to tell a slow server from none. Not tried, so not known: no warning.
          result.oldBrowsers = OldBrowsers::kNotAsked;
          break;
        }
        lastHost_ = parts.host;
        ShowProgress(Clock::now(), false);
        std::string detail;
        const OldBrowsers answer =
            OldBrowserHandshake(parts.host, parts.port, options_,
                                std::min(left, options_.connectSeconds), fromPublic, detail);
        found = tried.emplace(key, std::make_pair(answer, name + ": " + detail)).first;
      }
      if (found->second.first != OldBrowsers::kOpens) {
        result.oldBrowsers = found->second.first;
        result.oldBrowsersDetail = found->second.second;
        break;
      }
    }
  }
}

}  // namespace

LinkRun CheckLinks(const std::vector<LinkTarget>& targets, const LinkOptions& options) {
  static const bool initialised = curl_global_init(CURL_GLOBAL_DEFAULT) == CURLE_OK;
  (void)initialised;
  Fetcher fetcher(targets, options);
  return fetcher.Run();
}
