#include "core/download/hlsdownload.h"

#include "core/source/internet.h"
#include "platform/files.h"

#include <algorithm>
#include <cmath>
#include <curl/curl.h>
#include <deque>
#include <map>
#include <memory>
#include <openssl/evp.h>

namespace clipvane {

namespace {

// A piece of a track: an initialisation section or a segment.
struct Piece
{
    std::size_t track = 0;
    std::size_t index = 0; // its place in the track's file
    std::string url;
    std::optional<hls::ByteRange> range;
    std::string keyUrl; // empty: clear
    std::array<std::uint8_t, 16> iv{};
    std::int64_t startMs = 0;
    std::int64_t ms = 0; // of the clip; 0 for an initialisation section

    // Across attempts.
    int failures = 0;
    std::string data; // what has come; kept to take up a broken transfer
};

struct Transfer
{
    CURL* easy = nullptr;
    curl_slist* headers = nullptr;
    std::size_t track = 0;
    std::size_t piece = 0;
    std::int64_t resumeAt = 0; // bytes of the piece it asked to start after
    std::string body;
    bool tooLarge = false;

    ~Transfer()
    {
        if (easy)
            curl_easy_cleanup(easy);
        if (headers)
            curl_slist_free_all(headers);
    }

    static std::size_t onBody(char* data, std::size_t size, std::size_t count, void* self)
    {
        auto* t = static_cast<Transfer*>(self);
        if (t->body.size() + size * count > HlsDownloadWorker::kLargestSegment) {
            t->tooLarge = true;
            return 0;
        }
        t->body.append(data, size * count);
        return size * count;
    }
};

// One fetch: where it is, which part, and the key that opens it (an
// initialisation section is opened with the key and sequence number of the
// segment that first needs it).
Piece pieceOf(const hls::Media& media, std::size_t track, const std::string& url,
              const std::optional<hls::ByteRange>& range, int keyIndex, std::uint64_t sequence,
              std::int64_t startMs)
{
    Piece piece;
    piece.track = track;
    piece.url = url;
    piece.range = range;
    if (keyIndex >= 0) {
        const hls::Key& key = media.keys[static_cast<std::size_t>(keyIndex)];
        piece.keyUrl = key.uri;
        piece.iv = hls::IvOf(key, sequence);
    }
    piece.startMs = startMs;
    return piece;
}

std::vector<std::vector<Piece>> piecesOf(const HlsPlan& plan)
{
    std::vector<std::vector<Piece>> tracks;
    for (std::size_t t = 0; t < plan.tracks.size(); ++t) {
        const hls::Media& media = plan.tracks[t].media;
        std::vector<Piece> pieces;
        int map = -1;
        std::int64_t at = 0;
        for (const hls::Segment& segment : media.segments) {
            if (segment.map >= 0 && segment.map != map) {
                map = segment.map;
                const hls::Map& m = media.maps[static_cast<std::size_t>(map)];
                pieces.push_back(pieceOf(media, t, m.uri, m.range, m.key, segment.sequence, at));
            }
            Piece piece =
                pieceOf(media, t, segment.uri, segment.range, segment.key, segment.sequence, at);
            piece.ms = std::llround(segment.seconds * 1000);
            at += piece.ms;
            pieces.push_back(std::move(piece));
        }
        for (std::size_t i = 0; i < pieces.size(); ++i)
            pieces[i].index = i;
        tracks.push_back(std::move(pieces));
    }
    return tracks;
}

} // namespace

std::optional<std::string> DecryptSegment(const std::string& data,
                                          const std::array<std::uint8_t, 16>& key,
                                          const std::array<std::uint8_t, 16>& iv)
{
    if (data.empty() || data.size() % 16 != 0)
        return std::nullopt;
    std::unique_ptr<EVP_CIPHER_CTX, decltype(&EVP_CIPHER_CTX_free)> context(EVP_CIPHER_CTX_new(),
                                                                            EVP_CIPHER_CTX_free);
    if (!context ||
        EVP_DecryptInit_ex(context.get(), EVP_aes_128_cbc(), nullptr, key.data(), iv.data()) != 1)
        return std::nullopt;
    std::string plain(data.size() + 16, '\0');
    int written = 0;
    int last = 0;
    auto* out = reinterpret_cast<unsigned char*>(plain.data());
    if (EVP_DecryptUpdate(context.get(), out, &written,
                          reinterpret_cast<const unsigned char*>(data.data()),
                          static_cast<int>(data.size())) != 1 ||
        EVP_DecryptFinal_ex(context.get(), out + written, &last) != 1)
        return std::nullopt;
    plain.resize(static_cast<std::size_t>(written) + static_cast<std::size_t>(last));
    return plain;
}

HlsDownloadWorker::HlsDownloadWorker(HlsPlan plan, QObject* parent)
    : TransferWorker(parent), m_plan(std::move(plan))
{
    if (!m_plan.tracks.empty())
        m_totalMilliseconds = std::llround(m_plan.tracks.front().media.seconds * 1000);
}

void HlsDownloadWorker::run()
{
    m_stopRequested = 0;
    auto fail = [this](std::string why, int error = 0) {
        if (!m_failure)
            m_failure = Failure{std::move(why), error};
    };
    const int connections = std::clamp(m_plan.connections, 1, kMostConnections);
    std::vector<std::vector<Piece>> tracks = piecesOf(m_plan);
    RequestShare& share =
        m_plan.request.share ? *m_plan.request.share : RequestShare::processWide();

    // Each key once, before the segments it opens.
    std::map<std::string, std::array<std::uint8_t, 16>> keys;
    for (const auto& pieces : tracks) {
        for (const Piece& piece : pieces) {
            if (piece.keyUrl.empty() || keys.count(piece.keyUrl) || m_failure)
                continue;
            const InternetSession session(m_plan.request.userAgent);
            RequestOptions options;
            options.headers = m_plan.request.headers;
            options.share = m_plan.request.share;
            options.stop = &m_stopRequested;
            options.deadlineSeconds = 30;
            const auto request = InternetRequest::open(session, piece.keyUrl, options);
            std::array<char, 17> bytes{};
            const std::size_t count = request ? request->read(bytes.data(), bytes.size()) : 0;
            if (!request || request->statusCode() != 200 || count != 16) {
                fail("a key of the stream could not be had");
                break;
            }
            std::array<std::uint8_t, 16> key{};
            std::copy_n(reinterpret_cast<const std::uint8_t*>(bytes.data()), 16, key.begin());
            keys[piece.keyUrl] = key;
        }
    }

    std::vector<std::unique_ptr<platform::ExclusiveFile>> files;
    for (const HlsTrack& track : m_plan.tracks) {
        files.push_back(std::make_unique<platform::ExclusiveFile>());
        if (Status created = files.back()->create(track.file); !created)
            fail(created.failure().text, created.failure().errorNumber);
    }
    if (m_failure || stopRequested()) {
        sendEnd(false);
        return;
    }

    // Pieces are started in the order of the clip's time, the tracks side by
    // side, and no further ahead of what has been written than a few a
    // connection: memory holds no more than that.
    std::vector<std::pair<std::size_t, std::size_t>> order;
    for (std::size_t t = 0; t < tracks.size(); ++t)
        for (std::size_t i = 0; i < tracks[t].size(); ++i)
            order.emplace_back(t, i);
    std::stable_sort(order.begin(), order.end(), [&tracks](const auto& a, const auto& b) {
        return tracks[a.first][a.second].startMs < tracks[b.first][b.second].startMs;
    });
    const std::size_t window = static_cast<std::size_t>(connections) * 2;
    std::vector<std::size_t> nextToWrite(tracks.size(), 0);
    std::vector<std::map<std::size_t, std::string>> ready(tracks.size());
    std::deque<std::pair<std::size_t, std::size_t>> again;
    std::size_t cursor = 0;
    std::int64_t bytesWritten = 0;
    std::int64_t millisecondsWritten = 0;
    setCount(0, 0);

    std::unique_ptr<CURLM, decltype(&curl_multi_cleanup)> multi(curl_multi_init(),
                                                                curl_multi_cleanup);
    std::map<CURL*, std::unique_ptr<Transfer>> active;

    auto start = [&](std::size_t t, std::size_t i) {
        Piece& piece = tracks[t][i];
        auto transfer = std::make_unique<Transfer>();
        transfer->easy = curl_easy_init();
        transfer->track = t;
        transfer->piece = i;
        transfer->resumeAt = static_cast<std::int64_t>(piece.data.size());
        if (!transfer->easy ||
            !SetUpTransfer(transfer->easy, piece.url, m_plan.request.userAgent, share)) {
            fail("a segment's address cannot be asked for");
            return;
        }
        for (const std::string& header : m_plan.request.headers)
            transfer->headers = curl_slist_append(transfer->headers, header.c_str());
        const std::int64_t first = (piece.range ? piece.range->offset : 0) + transfer->resumeAt;
        if (piece.range || transfer->resumeAt > 0) {
            std::string range = "Range: bytes=" + std::to_string(first) + "-";
            if (piece.range)
                range += std::to_string(piece.range->offset + piece.range->length - 1);
            transfer->headers = curl_slist_append(transfer->headers, range.c_str());
        }
        curl_easy_setopt(transfer->easy, CURLOPT_HTTPHEADER, transfer->headers);
        curl_easy_setopt(transfer->easy, CURLOPT_WRITEFUNCTION, &Transfer::onBody);
        curl_easy_setopt(transfer->easy, CURLOPT_WRITEDATA, transfer.get());
        curl_multi_add_handle(multi.get(), transfer->easy);
        active[transfer->easy] = std::move(transfer);
    };

    auto flush = [&](std::size_t t) {
        auto& waiting = ready[t];
        for (auto it = waiting.find(nextToWrite[t]); it != waiting.end();
             it = waiting.find(nextToWrite[t])) {
            if (Status written = files[t]->write(it->second.data(), it->second.size()); !written) {
                fail(written.failure().text, written.failure().errorNumber);
                return;
            }
            bytesWritten += static_cast<std::int64_t>(it->second.size());
            if (t == 0)
                millisecondsWritten += tracks[t][nextToWrite[t]].ms;
            waiting.erase(it);
            ++nextToWrite[t];
        }
        setCount(bytesWritten, millisecondsWritten);
        announceCount();
    };

    // Takes what a finished transfer brought: the piece, or a reason to ask again.
    auto finished = [&](CURL* easy, CURLcode result) {
        std::unique_ptr<Transfer> transfer = std::move(active[easy]);
        active.erase(easy);
        curl_multi_remove_handle(multi.get(), easy);
        const std::size_t t = transfer->track;
        Piece& piece = tracks[t][transfer->piece];
        long status = 0;
        curl_easy_getinfo(easy, CURLINFO_RESPONSE_CODE, &status);
        const std::int64_t first = (piece.range ? piece.range->offset : 0) + transfer->resumeAt;
        bool rangeOk = status == 200 && !piece.range && transfer->resumeAt == 0;
        if (status == 206) {
            curl_header* header = nullptr;
            if (curl_easy_header(easy, "Content-Range", 0, CURLH_HEADER, -1, &header) ==
                    CURLHE_OK &&
                header && header->value) {
                const auto range = ContentRangeValue(header->value);
                rangeOk = range && range->first == first;
            }
        }
        if (rangeOk)
            piece.data += transfer->body;
        const bool whole =
            result == CURLE_OK && rangeOk &&
            (!piece.range || static_cast<std::int64_t>(piece.data.size()) == piece.range->length);
        if (whole) {
            std::string data = std::move(piece.data);
            piece.data.clear();
            if (!piece.keyUrl.empty()) {
                std::optional<std::string> plain =
                    DecryptSegment(data, keys[piece.keyUrl], piece.iv);
                if (!plain) {
                    fail("a segment of the stream cannot be decrypted");
                    return;
                }
                data = std::move(*plain);
            }
            ready[t][transfer->piece] = std::move(data);
            flush(t);
            return;
        }
        if (transfer->tooLarge) {
            fail("a segment of the stream is far larger than any segment");
            return;
        }
        // Taken up where it broke when the server serves ranges; else anew.
        if (!rangeOk || result == CURLE_OK)
            piece.data.clear();
        if (++piece.failures > kRetries) {
            fail("a segment of the stream could not be had (" +
                 (status >= 400 ? "HTTP " + std::to_string(status)
                                : std::string(curl_easy_strerror(result))) +
                 ")");
            return;
        }
        again.emplace_back(t, transfer->piece);
    };

    while (!m_failure && !stopRequested()) {
        while (static_cast<int>(active.size()) < connections) {
            if (!again.empty()) {
                const auto [t, i] = again.front();
                again.pop_front();
                start(t, i);
                continue;
            }
            if (cursor == order.size())
                break;
            const auto [t, i] = order[cursor];
            if (i >= nextToWrite[t] + window)
                break; // far enough ahead; what is behind must come first
            ++cursor;
            start(t, i);
        }
        if (active.empty() && again.empty() && cursor == order.size())
            break; // everything written
        int running = 0;
        if (curl_multi_perform(multi.get(), &running) != CURLM_OK) {
            fail("the transfers could not go on");
            break;
        }
        int queued = 0;
        while (CURLMsg* message = curl_multi_info_read(multi.get(), &queued))
            if (message->msg == CURLMSG_DONE)
                finished(message->easy_handle, message->data.result);
        if (!m_failure && !stopRequested())
            curl_multi_poll(multi.get(), nullptr, 0, 100, nullptr);
    }
    for (auto& [easy, transfer] : active)
        curl_multi_remove_handle(multi.get(), easy);
    active.clear();
    for (std::size_t t = 0; t < files.size(); ++t)
        if (Status closed = files[t]->close(); !closed)
            fail(closed.failure().text, closed.failure().errorNumber);
    if (!m_failure && !stopRequested())
        for (std::size_t t = 0; t < tracks.size(); ++t)
            if (nextToWrite[t] != tracks[t].size())
                fail("the stream ended before its last segment");
    sendEnd(true);
}

} // namespace clipvane
