// soundtool: synthesises the game's sounds and music from small text recipes.
//
//   soundtool RECIPE OUT.wav|OUT.ogg|OUT.mod
//
// The output's extension picks the form: 16-bit PCM WAV, Ogg Vorbis, or a
// four-channel ProTracker module whose samples are synthesised here too.
//
// A recipe holds one statement a line; a word that begins with "#" starts a
// comment. Options are
// written key=value after a statement's words; times are in seconds.
//
//   rate 44100              frames per second (8000 to 96000; default 44100)
//   channels 2              1 or 2 (default 1)
//   peak 0.8                the loudest sample of the mix, 0 to 1 (default 0.8)
//   length 1.5              the whole length (default: where the last sound ends)
//   title "Name"            the module's title (default: the recipe's name)
//
//   tone WAVE FREQ [options]           one sound at a fixed time
//       at=S        when it starts (default 0)
//       length=S    how long it is held (default 0.1)
//       slide=HZ    the frequency it glides to while held
//     and the voice options below.
//
//   instrument NAME WAVE [voice options]
//   tempo BPM               beats per minute (default 120)
//   steps N                 steps per beat (default 4)
//   pattern NAME            then lines "INSTRUMENT: STEP STEP ..." in it; a
//                           step is a note ("C4", "F#3", "Bb2"), "-" (the
//                           note before goes on), "." (silence); "|" only
//                           separates bars. Every line of a pattern has the
//                           same number of steps, at most 64.
//   order NAME NAME ...     the patterns in the order they are played
//
// Voice options: volume=0..1 (default 0.5), attack=S (rise, default 0.002),
// decay=S (exponential fall while held: the time to fall to 37%; default
// none), release=S (fall after it is let go, default 0.02), pan=-1..1,
// duty=0.05..0.95 (square waves), vibrato=HZ:SEMITONES.
// Waves: sine, triangle, square, saw, noise (for noise, FREQ is how often a
// new random value is drawn).
//
// Music (a recipe with an order) lasts exactly its steps: sound that rings
// past the end wraps round to the start, so the piece loops without a seam.
// The module plays one instrument per channel, so it takes at most four,
// and notes from C of the instrument's lowest octave up three octaves.
//
// Output is the same for the same recipe (the noise is seeded). Any mistake
// in the recipe gives "RECIPE:LINE: message" on standard error and exit
// status 1 (2 for bad usage); the output is written beside its place and
// renamed, so no half file is left.
#include <vorbis/vorbisenc.h>

#include <algorithm>
#include <array>
#include <cctype>
#include <cmath>
#include <cstdint>
#include <cstdio>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <map>
#include <numbers>
#include <sstream>
#include <stdexcept>
#include <string>
#include <vector>

#include "core/base/FileReplace.h"

namespace fs = std::filesystem;

namespace {

class ESoundToolError : public std::runtime_error {
public:
    using std::runtime_error::runtime_error;
};

enum class TWave { kSine, kTriangle, kSquare, kSaw, kNoise };

struct TVoice {
    TWave wave = TWave::kSine;
    double volume = 0.5;
    double attack = 0.002;
    double decay = 0;  // 0: none
    double release = 0.02;
    double pan = 0;
    double duty = 0.5;
    double vibratoRate = 0;
    double vibratoDepth = 0;  // semitones
};

// One sound: a voice held for gate seconds from start, then released.
struct TEvent {
    TVoice voice;
    double start = 0;
    double gate = 0.1;
    double frequency = 440;
    double slideTo = 0;  // 0: no glide
    uint32_t seed = 1;
};

struct TStep {
    enum Kind { kHold, kRest, kNote } kind = kHold;
    int midi = 0;
};

struct TPattern {
    std::map<std::string, std::vector<TStep>> tracks;  // by instrument
    std::vector<std::string> trackOrder;
    int lineOfName = 0;
};

struct TInstrument {
    std::string name;
    TVoice voice;
};

struct TRecipe {
    std::string name;
    std::string title;
    int rate = 44100;
    int channels = 1;
    double peak = 0.8;
    double length = 0;  // 0: from the content
    double tempo = 120;
    int stepsPerBeat = 4;
    std::vector<TEvent> tones;
    std::vector<TInstrument> instruments;
    std::map<std::string, TPattern> patterns;
    std::vector<std::string> order;

    bool IsMusic() const { return !order.empty(); }
    double StepSeconds() const { return 60.0 / (tempo * stepsPerBeat); }
    const TInstrument* FindInstrument(const std::string& n) const {
        for (const auto& i : instruments)
            if (i.name == n) return &i;
        return nullptr;
    }
};

// ---------------------------------------------------------------------------
// Reading a recipe

class TParser {
public:
    TParser(std::string file, TRecipe& recipe) : file_(std::move(file)), recipe_(recipe) {}

    void Parse(std::istream& in) {
        std::string line;
        while (std::getline(in, line)) {
            ++line_;
            // A "#" that begins a word starts a comment; in "F#4" it is a sharp.
            for (size_t i = 0; i < line.size(); ++i) {
                if (line[i] == '#' &&
                    (i == 0 || std::isspace(static_cast<unsigned char>(line[i - 1])))) {
                    line.erase(i);
                    break;
                }
            }
            Statement(line);
        }
        Finish();
    }

private:
    [[noreturn]] void Fail(const std::string& message) const {
        throw ESoundToolError(file_ + (line_ > 0 ? ":" + std::to_string(line_) : "") + ": " +
                              message);
    }

    static std::vector<std::string> Words(const std::string& line) {
        std::vector<std::string> words;
        std::istringstream in(line);
        std::string word;
        while (in >> word) words.push_back(word);
        return words;
    }

    double Number(const std::string& text, double low, double high, const std::string& what) const {
        char* end = nullptr;
        const double value = std::strtod(text.c_str(), &end);
        if (text.empty() || *end != '\0' || !std::isfinite(value))
            Fail(what + ": \"" + text + "\" is no number");
        if (value < low || value > high) {
            std::ostringstream range;
            range << what << ": " << text << " is outside " << low << " to " << high;
            Fail(range.str());
        }
        return value;
    }

    int Integer(const std::string& text, int low, int high, const std::string& what) const {
        const double value = Number(text, low, high, what);
        if (value != std::floor(value)) Fail(what + ": \"" + text + "\" is no whole number");
        return static_cast<int>(value);
    }

    TWave Wave(const std::string& name) const {
        static const std::map<std::string, TWave> waves = {{"sine", TWave::kSine},
                                                           {"triangle", TWave::kTriangle},
                                                           {"square", TWave::kSquare},
                                                           {"saw", TWave::kSaw},
                                                           {"noise", TWave::kNoise}};
        auto it = waves.find(name);
        if (it == waves.end()) Fail("unknown wave \"" + name + "\"");
        return it->second;
    }

    // Applies one key=value; false when the key is no voice option.
    bool VoiceOption(TVoice& voice, const std::string& key, const std::string& value) const {
        if (key == "volume") {
            voice.volume = Number(value, 0, 1, key);
        } else if (key == "attack") {
            voice.attack = Number(value, 0, 10, key);
        } else if (key == "decay") {
            voice.decay = Number(value, 0, 60, key);
        } else if (key == "release") {
            voice.release = Number(value, 0, 10, key);
        } else if (key == "pan") {
            voice.pan = Number(value, -1, 1, key);
        } else if (key == "duty") {
            voice.duty = Number(value, 0.05, 0.95, key);
        } else if (key == "vibrato") {
            const size_t colon = value.find(':');
            if (colon == std::string::npos) Fail("vibrato: HZ:SEMITONES");
            voice.vibratoRate = Number(value.substr(0, colon), 0, 50, "vibrato rate");
            voice.vibratoDepth = Number(value.substr(colon + 1), 0, 12, "vibrato depth");
        } else {
            return false;
        }
        return true;
    }

    static bool SplitOption(const std::string& word, std::string& key, std::string& value) {
        const size_t eq = word.find('=');
        if (eq == std::string::npos || eq == 0) return false;
        key = word.substr(0, eq);
        value = word.substr(eq + 1);
        return true;
    }

    void ExpectWords(const std::vector<std::string>& w, size_t count, const char* usage) const {
        if (w.size() != count) Fail(std::string("usage: ") + usage);
    }

    void Statement(const std::string& line) {
        const std::vector<std::string> w = Words(line);
        if (w.empty()) return;
        const std::string& what = w[0];
        // Lines inside a pattern name an instrument and end the word in ":".
        if (what.back() == ':' && what.size() > 1) {
            Track(what.substr(0, what.size() - 1), {w.begin() + 1, w.end()});
            return;
        }
        pattern_ = nullptr;
        if (what == "rate") {
            ExpectWords(w, 2, "rate FRAMES_PER_SECOND");
            recipe_.rate = Integer(w[1], 8000, 96000, "rate");
        } else if (what == "channels") {
            ExpectWords(w, 2, "channels 1|2");
            recipe_.channels = Integer(w[1], 1, 2, "channels");
        } else if (what == "peak") {
            ExpectWords(w, 2, "peak LEVEL");
            recipe_.peak = Number(w[1], 0, 1, "peak");
        } else if (what == "length") {
            ExpectWords(w, 2, "length SECONDS");
            recipe_.length = Number(w[1], 0.001, 1200, "length");
        } else if (what == "title") {
            const size_t open = line.find('"'), close = line.rfind('"');
            if (open == close) Fail("usage: title \"NAME\"");
            recipe_.title = line.substr(open + 1, close - open - 1);
        } else if (what == "tempo") {
            ExpectWords(w, 2, "tempo BEATS_PER_MINUTE");
            recipe_.tempo = Number(w[1], 20, 400, "tempo");
        } else if (what == "steps") {
            ExpectWords(w, 2, "steps STEPS_PER_BEAT");
            recipe_.stepsPerBeat = Integer(w[1], 1, 16, "steps");
        } else if (what == "tone") {
            Tone(w);
        } else if (what == "instrument") {
            Instrument(w);
        } else if (what == "pattern") {
            ExpectWords(w, 2, "pattern NAME");
            if (recipe_.patterns.count(w[1])) Fail("pattern \"" + w[1] + "\" is there already");
            pattern_ = &recipe_.patterns[w[1]];
            pattern_->lineOfName = line_;
        } else if (what == "order") {
            if (w.size() < 2) Fail("usage: order PATTERN...");
            orderLine_ = line_;
            recipe_.order.insert(recipe_.order.end(), w.begin() + 1, w.end());
        } else {
            Fail("unknown statement \"" + what + "\"");
        }
    }

    void Tone(const std::vector<std::string>& w) {
        if (w.size() < 3) Fail("usage: tone WAVE FREQUENCY [key=value...]");
        TEvent event;
        event.voice.wave = Wave(w[1]);
        event.frequency = Number(w[2], 1, 20000, "frequency");
        event.seed = static_cast<uint32_t>(line_);
        for (size_t i = 3; i < w.size(); ++i) {
            std::string key, value;
            if (!SplitOption(w[i], key, value)) Fail("\"" + w[i] + "\" is no key=value");
            if (VoiceOption(event.voice, key, value)) continue;
            if (key == "at") {
                event.start = Number(value, 0, 1200, key);
            } else if (key == "length") {
                event.gate = Number(value, 0.001, 1200, key);
            } else if (key == "slide") {
                event.slideTo = Number(value, 1, 20000, key);
            } else {
                Fail("unknown option \"" + key + "\"");
            }
        }
        recipe_.tones.push_back(event);
    }

    void Instrument(const std::vector<std::string>& w) {
        if (w.size() < 3) Fail("usage: instrument NAME WAVE [key=value...]");
        if (recipe_.FindInstrument(w[1])) Fail("instrument \"" + w[1] + "\" is there already");
        TInstrument instrument;
        instrument.name = w[1];
        instrument.voice.wave = Wave(w[2]);
        for (size_t i = 3; i < w.size(); ++i) {
            std::string key, value;
            if (!SplitOption(w[i], key, value)) Fail("\"" + w[i] + "\" is no key=value");
            if (!VoiceOption(instrument.voice, key, value)) Fail("unknown option \"" + key + "\"");
        }
        recipe_.instruments.push_back(instrument);
    }

    int Note(const std::string& text) const {
        static const std::map<char, int> letters = {{'C', 0}, {'D', 2}, {'E', 4}, {'F', 5},
                                                    {'G', 7}, {'A', 9}, {'B', 11}};
        auto letter = letters.find(text.empty() ? '?' : text[0]);
        if (letter == letters.end()) Fail("\"" + text + "\" is no note, \"-\" or \".\"");
        int semitone = letter->second;
        size_t at = 1;
        if (at < text.size() && (text[at] == '#' || text[at] == 'b')) {
            semitone += text[at] == '#' ? 1 : -1;
            ++at;
        }
        if (at + 1 != text.size() || text[at] < '0' || text[at] > '8')
            Fail("\"" + text + "\" is no note: a letter, \"#\" or \"b\", an octave 0 to 8");
        return 12 * (text[at] - '0' + 1) + semitone;
    }

    void Track(const std::string& instrument, const std::vector<std::string>& steps) {
        if (!pattern_) Fail("a track line outside a pattern");
        if (!recipe_.FindInstrument(instrument))
            Fail("instrument \"" + instrument + "\" is not declared");
        if (!pattern_->tracks.count(instrument)) pattern_->trackOrder.push_back(instrument);
        std::vector<TStep>& track = pattern_->tracks[instrument];
        for (const std::string& s : steps) {
            if (s == "|") continue;
            TStep step;
            if (s == "-") {
                step.kind = TStep::kHold;
            } else if (s == ".") {
                step.kind = TStep::kRest;
            } else {
                step.kind = TStep::kNote;
                step.midi = Note(s);
            }
            track.push_back(step);
        }
        if (track.size() > 64) Fail("a pattern holds at most 64 steps");
    }

    void Finish() {
        for (const auto& [name, pattern] : recipe_.patterns) {
            line_ = pattern.lineOfName;
            size_t length = 0;
            for (const auto& [instrument, track] : pattern.tracks) {
                if (length != 0 && track.size() != length)
                    Fail("the lines of pattern \"" + name + "\" differ in length");
                length = track.size();
            }
            if (length == 0) Fail("pattern \"" + name + "\" holds no steps");
        }
        for (const std::string& name : recipe_.order) {
            if (!recipe_.patterns.count(name)) {
                line_ = orderLine_;
                Fail("the order names pattern \"" + name + "\", which is not there");
            }
        }
        if (recipe_.tones.empty() && recipe_.order.empty()) {
            line_ = 0;
            Fail("the recipe makes no sound: no tone and no order");
        }
    }

    std::string file_;
    TRecipe& recipe_;
    int line_ = 0;
    int orderLine_ = 0;
    TPattern* pattern_ = nullptr;
};

// ---------------------------------------------------------------------------
// Synthesis

double MidiFrequency(int midi) {
    return 440.0 * std::pow(2.0, (midi - 69) / 12.0);
}

// The correction that takes the step out of a naive wave at a phase wrap.
double PolyBlep(double t, double dt) {
    if (t < dt) {
        t /= dt;
        return t + t - t * t - 1.0;
    }
    if (t > 1.0 - dt) {
        t = (t - 1.0) / dt;
        return t * t + t + t + 1.0;
    }
    return 0.0;
}

// An oscillator whose frequency may change every frame.
class TOscillator {
public:
    TOscillator(const TVoice& voice, uint32_t seed)
        : voice_(voice), random_(seed * 2654435761u + 1) {
        held_ = NextRandom();
    }

    double Next(double frequency, double rate) {
        const double dt = std::min(frequency / rate, 0.5);
        double value = 0;
        switch (voice_.wave) {
            case TWave::kSine:
                value = std::sin(2 * std::numbers::pi * phase_);
                break;
            case TWave::kTriangle:
                value = 1.0 - 4.0 * std::abs(phase_ - 0.5);
                break;
            case TWave::kSaw:
                value = 2.0 * phase_ - 1.0 - PolyBlep(phase_, dt);
                break;
            case TWave::kSquare: {
                const double d = voice_.duty;
                value = (phase_ < d ? 1.0 : -1.0) + PolyBlep(phase_, dt) -
                        PolyBlep(std::fmod(phase_ + 1.0 - d, 1.0), dt);
                break;
            }
            case TWave::kNoise:
                value = held_;
                break;
        }
        phase_ += frequency / rate;
        if (phase_ >= 1.0) {
            phase_ -= std::floor(phase_);
            held_ = NextRandom();
        }
        return value;
    }

private:
    double NextRandom() {
        random_ = random_ * 1664525u + 1013904223u;
        return (random_ >> 8) / double(1 << 23) - 1.0;
    }

    TVoice voice_;
    double phase_ = 0;
    uint32_t random_;
    double held_ = 0;
};

// The level of a voice t seconds after it started, held for gate seconds.
double Envelope(const TVoice& v, double t, double gate) {
    double level = v.volume;
    if (v.attack > 0 && t < v.attack) level *= t / v.attack;
    if (v.decay > 0) level *= std::exp(-t / v.decay);
    if (t >= gate) level *= v.release > 0 ? std::max(0.0, 1.0 - (t - gate) / v.release) : 0.0;
    return level;
}

double EventEnd(const TEvent& e) {
    return e.start + e.gate + e.voice.release;
}

// Mixes one event into interleaved frames; with wrap, what passes the end
// goes on from the start.
void Render(const TEvent& e, int rate, int channels, bool wrap, std::vector<double>& mix) {
    const size_t frames = mix.size() / channels;
    const size_t first = static_cast<size_t>(std::llround(e.start * rate));
    const size_t count = static_cast<size_t>(std::ceil((e.gate + e.voice.release) * rate));
    const double angle = (e.voice.pan + 1.0) * std::numbers::pi / 4;
    const double gains[2] = {channels == 1 ? 1.0 : std::cos(angle) * std::numbers::sqrt2,
                             std::sin(angle) * std::numbers::sqrt2};
    TOscillator oscillator(e.voice, e.seed);
    for (size_t i = 0; i < count; ++i) {
        size_t at = first + i;
        if (at >= frames) {
            if (!wrap) break;
            at %= frames;
        }
        const double t = double(i) / rate;
        double f = e.frequency;
        if (e.slideTo > 0) f += (e.slideTo - e.frequency) * std::min(1.0, t / e.gate);
        if (e.voice.vibratoDepth > 0)
            f *= std::pow(2.0, e.voice.vibratoDepth / 12.0 *
                                   std::sin(2 * std::numbers::pi * e.voice.vibratoRate * t));
        const double value = oscillator.Next(f, rate) * Envelope(e.voice, t, e.gate);
        for (int c = 0; c < channels; ++c) mix[at * channels + c] += value * gains[c];
    }
}

// The notes of the music as events, one per note, held until the next note
// or rest of its line or the end of its pattern.
std::vector<TEvent> MusicEvents(const TRecipe& r) {
    std::vector<TEvent> events;
    const double step = r.StepSeconds();
    size_t patternStart = 0;
    for (const std::string& name : r.order) {
        const TPattern& p = r.patterns.at(name);
        size_t length = 0;
        for (const std::string& instrument : p.trackOrder) {
            const std::vector<TStep>& track = p.tracks.at(instrument);
            length = track.size();
            const TVoice& voice = r.FindInstrument(instrument)->voice;
            for (size_t i = 0; i < track.size(); ++i) {
                if (track[i].kind != TStep::kNote) continue;
                size_t end = i + 1;
                while (end < track.size() && track[end].kind == TStep::kHold) ++end;
                TEvent e;
                e.voice = voice;
                e.start = double(patternStart + i) * step;
                e.gate = double(end - i) * step;
                e.frequency = MidiFrequency(track[i].midi);
                e.seed = static_cast<uint32_t>(events.size() + 1);
                events.push_back(e);
            }
        }
        patternStart += length;
    }
    return events;
}

size_t MusicSteps(const TRecipe& r) {
    size_t steps = 0;
    for (const std::string& name : r.order)
        steps += r.patterns.at(name).tracks.begin()->second.size();
    return steps;
}

// Interleaved 16-bit frames of the whole recipe, scaled to its peak.
std::vector<int16_t> RenderPcm(const TRecipe& r) {
    std::vector<TEvent> events = r.tones;
    double length = 0;
    for (const TEvent& e : events) length = std::max(length, EventEnd(e));
    if (r.IsMusic()) {
        std::vector<TEvent> notes = MusicEvents(r);
        events.insert(events.end(), notes.begin(), notes.end());
        length = double(MusicSteps(r)) * r.StepSeconds();
    }
    if (r.length > 0) length = r.length;
    const size_t frames = std::max<size_t>(1, static_cast<size_t>(std::llround(length * r.rate)));
    std::vector<double> mix(frames * r.channels, 0.0);
    for (const TEvent& e : events) Render(e, r.rate, r.channels, r.IsMusic(), mix);
    double loudest = 0;
    for (double v : mix) loudest = std::max(loudest, std::abs(v));
    const double scale = loudest > 0 ? r.peak / loudest : 0;
    std::vector<int16_t> pcm(mix.size());
    for (size_t i = 0; i < mix.size(); ++i)
        pcm[i] = static_cast<int16_t>(std::lround(std::clamp(mix[i] * scale, -1.0, 1.0) * 32767));
    return pcm;
}

// ---------------------------------------------------------------------------
// Writers

void Put16(std::string& out, uint32_t v) {
    out += static_cast<char>(v & 0xFF);
    out += static_cast<char>((v >> 8) & 0xFF);
}
void Put32(std::string& out, uint32_t v) {
    Put16(out, v & 0xFFFF);
    Put16(out, v >> 16);
}
void PutBig16(std::string& out, uint32_t v) {
    out += static_cast<char>((v >> 8) & 0xFF);
    out += static_cast<char>(v & 0xFF);
}

std::string EncodeWav(const TRecipe& r, const std::vector<int16_t>& pcm) {
    const uint32_t bytes = static_cast<uint32_t>(pcm.size() * 2);
    std::string out = "RIFF";
    Put32(out, 36 + bytes);
    out += "WAVEfmt ";
    Put32(out, 16);
    Put16(out, 1);  // PCM
    Put16(out, static_cast<uint32_t>(r.channels));
    Put32(out, static_cast<uint32_t>(r.rate));
    Put32(out, static_cast<uint32_t>(r.rate * r.channels * 2));
    Put16(out, static_cast<uint32_t>(r.channels * 2));
    Put16(out, 16);
    out += "data";
    Put32(out, bytes);
    for (int16_t s : pcm) Put16(out, static_cast<uint16_t>(s));
    return out;
}

void AppendPage(std::string& out, const ogg_page& page) {
    out.append(reinterpret_cast<const char*>(page.header), static_cast<size_t>(page.header_len));
    out.append(reinterpret_cast<const char*>(page.body), static_cast<size_t>(page.body_len));
}

std::string EncodeOgg(const TRecipe& r, const std::vector<int16_t>& pcm) {
    vorbis_info info;
    vorbis_info_init(&info);
    if (vorbis_encode_init_vbr(&info, r.channels, r.rate, 0.5f) != 0) {
        vorbis_info_clear(&info);
        throw ESoundToolError("Vorbis cannot encode " + std::to_string(r.channels) +
                              " channels at " + std::to_string(r.rate) + " Hz");
    }
    vorbis_comment comment;
    vorbis_comment_init(&comment);
    vorbis_comment_add_tag(&comment, "TITLE", r.title.c_str());
    vorbis_dsp_state dsp;
    vorbis_analysis_init(&dsp, &info);
    vorbis_block block;
    vorbis_block_init(&dsp, &block);
    ogg_stream_state stream;
    // A fixed serial number: the same recipe gives the same file.
    ogg_stream_init(&stream, 0x51554D31);

    std::string out;
    ogg_page page;
    ogg_packet header, commentPacket, codebook;
    vorbis_analysis_headerout(&dsp, &comment, &header, &commentPacket, &codebook);
    ogg_stream_packetin(&stream, &header);
    ogg_stream_packetin(&stream, &commentPacket);
    ogg_stream_packetin(&stream, &codebook);
    while (ogg_stream_flush(&stream, &page) != 0) AppendPage(out, page);

    const size_t frames = pcm.size() / r.channels;
    constexpr size_t kChunk = 4096;
    size_t done = 0;
    bool end = false;
    while (!end) {
        const size_t n = std::min(kChunk, frames - done);
        if (n == 0) {
            vorbis_analysis_wrote(&dsp, 0);
        } else {
            float** buffer = vorbis_analysis_buffer(&dsp, static_cast<int>(n));
            for (size_t i = 0; i < n; ++i)
                for (int c = 0; c < r.channels; ++c)
                    buffer[c][i] = pcm[(done + i) * r.channels + c] / 32768.0f;
            vorbis_analysis_wrote(&dsp, static_cast<int>(n));
            done += n;
        }
        while (vorbis_analysis_blockout(&dsp, &block) == 1) {
            vorbis_analysis(&block, nullptr);
            vorbis_bitrate_addblock(&block);
            ogg_packet packet;
            while (vorbis_bitrate_flushpacket(&dsp, &packet) == 1) {
                ogg_stream_packetin(&stream, &packet);
                while (ogg_stream_pageout(&stream, &page) != 0) {
                    AppendPage(out, page);
                    if (ogg_page_eos(&page)) end = true;
                }
            }
        }
        if (n == 0) end = true;
    }
    while (ogg_stream_flush(&stream, &page) != 0) AppendPage(out, page);
    ogg_stream_clear(&stream);
    vorbis_block_clear(&block);
    vorbis_dsp_clear(&dsp);
    vorbis_comment_clear(&comment);
    vorbis_info_clear(&info);
    return out;
}

// ---------------------------------------------------------------------------
// The module

// Amiga periods of the notes C-1 to B-3; a sample plays at its own rate at
// index 12 (C-2, period 428).
constexpr uint16_t kPeriods[36] = {856, 808, 762, 720, 678, 640, 604, 570, 538, 508, 480, 453,
                                   428, 404, 381, 360, 339, 320, 302, 285, 269, 254, 240, 226,
                                   214, 202, 190, 180, 170, 160, 151, 143, 135, 127, 120, 113};
constexpr double kPalClock = 7093789.2;
constexpr double kSampleRate = kPalClock / (2 * 428);
constexpr size_t kRows = 64;

struct TModuleSample {
    std::string name;
    std::vector<int8_t> data;  // even length
    uint8_t volume = 64;
    size_t loopStart = 0;
    size_t loopLength = 0;  // 0: no loop
    int baseMidi = 0;       // the note that plays at index 12
};

// Synthesises an instrument's sample. A voice that does not fall away loops
// a whole number of cycles; one that does is a one-shot with its envelope.
TModuleSample MakeSample(const TInstrument& instrument, int baseMidi, uint32_t seed) {
    TModuleSample sample;
    sample.name = instrument.name;
    sample.baseMidi = baseMidi;
    sample.volume = static_cast<uint8_t>(std::lround(instrument.voice.volume * 64));
    TVoice voice = instrument.voice;
    voice.volume = 1.0;
    voice.vibratoDepth = 0;
    const double frequency = MidiFrequency(baseMidi);
    std::vector<double> wave;
    const bool looped = voice.decay == 0;
    if (looped) {
        // About two thousand frames of whole cycles, the pitch rounded to fit.
        const double cycle = kSampleRate / frequency;
        const size_t cycles = std::max<size_t>(1, static_cast<size_t>(2048 / cycle));
        size_t length = static_cast<size_t>(std::lround(cycles * cycle));
        length += length % 2;
        TOscillator oscillator(voice, seed);
        const double fitted = cycles * kSampleRate / double(length);
        for (size_t i = 0; i < length; ++i) wave.push_back(oscillator.Next(fitted, kSampleRate));
        sample.loopStart = 0;
        sample.loopLength = length;
    } else {
        const double seconds = std::min(2.0, voice.attack + 5 * voice.decay);
        const size_t length = static_cast<size_t>(seconds * kSampleRate) & ~size_t{1};
        TOscillator oscillator(voice, seed);
        wave.push_back(0);  // the first word is what a finished one-shot repeats
        wave.push_back(0);
        for (size_t i = 2; i < length; ++i) {
            const double t = double(i - 2) / kSampleRate;
            wave.push_back(oscillator.Next(frequency, kSampleRate) * Envelope(voice, t, seconds));
        }
    }
    double loudest = 0;
    for (double v : wave) loudest = std::max(loudest, std::abs(v));
    for (double v : wave)
        sample.data.push_back(
            static_cast<int8_t>(loudest > 0 ? std::lround(v / loudest * 127) : 0));
    return sample;
}

std::string Padded(const std::string& text, size_t size) {
    std::string out = text.substr(0, size);
    out.resize(size, '\0');
    return out;
}

// One cell of a pattern: the sample number (1 to 31, 0 none), the period and
// an effect with its parameter.
struct TCell {
    int sample = 0;
    int period = 0;
    int effect = 0;
    int parameter = 0;
    bool HasEffect() const { return effect != 0 || parameter != 0; }
};

std::string EncodeModule(const TRecipe& r) {
    if (!r.IsMusic()) throw ESoundToolError(r.name + ": a module needs patterns and an order");
    if (!r.tones.empty()) throw ESoundToolError(r.name + ": a module plays no tone lines");
    // One channel per instrument that plays.
    std::vector<std::string> used;
    std::map<std::string, std::pair<int, int>> range;  // lowest and highest note
    for (const std::string& name : r.order) {
        for (const auto& [instrument, track] : r.patterns.at(name).tracks) {
            for (const TStep& s : track) {
                if (s.kind != TStep::kNote) continue;
                if (std::find(used.begin(), used.end(), instrument) == used.end())
                    used.push_back(instrument);
                auto [it, fresh] = range.emplace(instrument, std::make_pair(s.midi, s.midi));
                it->second.first = std::min(it->second.first, s.midi);
                it->second.second = std::max(it->second.second, s.midi);
            }
        }
    }
    if (used.size() > 4)
        throw ESoundToolError(r.name + ": a module has four channels, and " +
                              std::to_string(used.size()) + " instruments play");
    // Declaration order gives the channels.
    std::vector<std::string> channels;
    for (const TInstrument& i : r.instruments)
        if (std::find(used.begin(), used.end(), i.name) != used.end()) channels.push_back(i.name);

    std::vector<TModuleSample> samples;
    for (const std::string& name : channels) {
        const auto [low, high] = range.at(name);
        const int base = low - low % 12;  // C of the lowest octave
        if (high - base > 35) {
            throw ESoundToolError(r.name + ": instrument \"" + name +
                                  "\" spans more than the three octaves a module plays");
        }
        // With room, the lowest octave plays at the sample's own rate.
        const int baseMidi = high - base <= 23 ? base : base + 12;
        samples.push_back(MakeSample(*r.FindInstrument(name), baseMidi,
                                     static_cast<uint32_t>(samples.size() + 1)));
    }

    // Speed (ticks a row) and tempo so that a row lasts one step.
    int speed = 6;
    double bpm = 0;
    for (int s : {6, 3, 4, 5, 8, 12, 2, 1, 16, 24, 31}) {
        bpm = r.tempo * r.stepsPerBeat * s / 24.0;
        speed = s;
        if (bpm >= 32 && bpm <= 255) break;
    }
    if (bpm < 32 || bpm > 255)
        throw ESoundToolError(r.name + ": the tempo is out of a module's reach");

    // The patterns as played, each used pattern stored once.
    std::vector<std::string> stored;
    std::vector<uint8_t> positions;
    for (const std::string& name : r.order) {
        auto it = std::find(stored.begin(), stored.end(), name);
        if (it == stored.end()) {
            stored.push_back(name);
            it = stored.end() - 1;
        }
        positions.push_back(static_cast<uint8_t>(it - stored.begin()));
    }
    if (stored.size() > 64 || positions.size() > 128)
        throw ESoundToolError(r.name + ": a module holds 64 patterns and 128 positions");

    std::string out = Padded(r.title, 20);
    for (size_t i = 0; i < 31; ++i) {
        if (i < samples.size()) {
            const TModuleSample& s = samples[i];
            out += Padded(s.name, 22);
            PutBig16(out, static_cast<uint32_t>(s.data.size() / 2));
            out += '\0';  // finetune
            out += static_cast<char>(s.volume);
            PutBig16(out, static_cast<uint32_t>(s.loopStart / 2));
            PutBig16(out, static_cast<uint32_t>(s.loopLength ? s.loopLength / 2 : 1));
        } else {
            out += std::string(22, '\0');
            PutBig16(out, 0);
            out += '\0';
            out += '\0';
            PutBig16(out, 0);
            PutBig16(out, 1);
        }
    }
    out += static_cast<char>(positions.size());
    out += static_cast<char>(127);
    std::string table(128, '\0');
    std::copy(positions.begin(), positions.end(), table.begin());
    out += table;
    out += "M.K.";

    for (size_t p = 0; p < stored.size(); ++p) {
        const TPattern& pattern = r.patterns.at(stored[p]);
        const size_t length = pattern.tracks.begin()->second.size();
        std::vector<std::array<TCell, 4>> rows(kRows);
        // Every pattern starts silent, as a note ends with its pattern: a
        // line that does not start with a note cuts what the pattern before
        // left sounding.
        std::array<bool, 4> cutAtStart{};
        for (size_t c = 0; c < channels.size(); ++c) {
            auto track = pattern.tracks.find(channels[c]);
            cutAtStart[c] = track == pattern.tracks.end() || track->second[0].kind != TStep::kNote;
            if (track == pattern.tracks.end()) continue;
            bool sounding = false;
            for (size_t row = 0; row < length; ++row) {
                const TStep& s = track->second[row];
                TCell& cell = rows[row][c];
                if (s.kind == TStep::kNote) {
                    cell.sample = static_cast<int>(c + 1);
                    cell.period = kPeriods[s.midi - samples[c].baseMidi + 12];
                    sounding = true;
                } else if (sounding && s.kind == TStep::kRest) {
                    // A fade within the row where the row has the ticks for
                    // it, which clicks less than a cut.
                    cell.effect = speed >= 5 ? 0xA : 0xC;
                    cell.parameter = speed >= 5 ? 0x0F : 0;
                    sounding = false;
                }
            }
        }
        // Commands that need a free effect column: the timing at the start
        // of the first pattern played (where the tracker's defaults, speed 6
        // and tempo 125, do not serve) and the end of a short pattern. They
        // go first to channels that need no cut there.
        std::vector<std::pair<size_t, TCell>> commands;
        if (p == positions[0]) {
            if (speed != 6) commands.push_back({0, TCell{0, 0, 0xF, speed}});
            const int tempo = static_cast<int>(std::lround(bpm));
            if (tempo != 125) commands.push_back({0, TCell{0, 0, 0xF, tempo}});
        }
        if (length < kRows) commands.push_back({length - 1, TCell{0, 0, 0xD, 0}});
        for (const auto& [row, command] : commands) {
            size_t chosen = 4;
            for (size_t c = 0; c < 4; ++c) {
                if (rows[row][c].HasEffect()) continue;
                if (chosen == 4 || (row == 0 && cutAtStart[chosen] && !cutAtStart[c])) chosen = c;
            }
            if (chosen == 4) {
                throw ESoundToolError(r.name + ": pattern \"" + stored[p] +
                                      "\" has no free channel for its timing at step " +
                                      std::to_string(row + 1));
            }
            rows[row][chosen].effect = command.effect;
            rows[row][chosen].parameter = command.parameter;
        }
        for (size_t c = 0; c < channels.size(); ++c) {
            if (cutAtStart[c] && !rows[0][c].HasEffect()) rows[0][c].effect = 0xC;
        }
        for (const auto& row : rows) {
            for (const TCell& cell : row) {
                out += static_cast<char>((cell.sample & 0xF0) | ((cell.period >> 8) & 0x0F));
                out += static_cast<char>(cell.period & 0xFF);
                out += static_cast<char>(((cell.sample & 0x0F) << 4) | (cell.effect & 0x0F));
                out += static_cast<char>(cell.parameter & 0xFF);
            }
        }
    }
    for (const TModuleSample& s : samples)
        out.append(reinterpret_cast<const char*>(s.data.data()), s.data.size());
    return out;
}

// ---------------------------------------------------------------------------

int Run(const std::string& recipePath, const std::string& outPath) {
    const std::string extension = fs::path(outPath).extension().string();
    if (extension != ".wav" && extension != ".ogg" && extension != ".mod")
        throw ESoundToolError("\"" + outPath + "\": the output ends in .wav, .ogg or .mod");
    std::ifstream in(recipePath);
    if (!in) throw ESoundToolError("cannot read \"" + recipePath + "\"");
    TRecipe recipe;
    recipe.name = recipePath;
    recipe.title = fs::path(recipePath).stem().string();
    TParser(recipePath, recipe).Parse(in);
    if (in.bad()) throw ESoundToolError("cannot read \"" + recipePath + "\"");

    std::string bytes;
    if (extension == ".mod") {
        bytes = EncodeModule(recipe);
    } else {
        const std::vector<int16_t> pcm = RenderPcm(recipe);
        bytes = extension == ".wav" ? EncodeWav(recipe, pcm) : EncodeOgg(recipe, pcm);
    }
    ReplaceFileContents(outPath, bytes);
    return 0;
}

}  // namespace

int main(int argc, char** argv) {
    if (argc != 3) {
        std::fprintf(stderr, "usage: soundtool RECIPE OUT.wav|OUT.ogg|OUT.mod\n");
        return 2;
    }
    try {
        return Run(argv[1], argv[2]);
    } catch (const std::exception& e) {
        std::fprintf(stderr, "soundtool: %s\n", e.what());
        return 1;
    }
}
