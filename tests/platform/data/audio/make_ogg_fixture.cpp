// Writes the Ogg Vorbis fixture of the audio tests: a 440 Hz sine at half
// scale, 0.5 s, mono, 22050 Hz, so that loading it also exercises resampling.
// Every audio packet gets a page of its own, so that the file can be cut
// between pages that each decode.
// Build and run by hand (not part of the build):
//   g++ -O2 make_ogg_fixture.cpp $(pkg-config --cflags --libs vorbisenc vorbis ogg) -o /tmp/mk
//   /tmp/mk sine440_22050_mono.ogg
#include <vorbis/vorbisenc.h>

#include <algorithm>
#include <cmath>
#include <cstdio>

int main(int argc, char** argv) {
    if (argc != 2) return 2;
    const int rate = 22050, frames = rate / 2;
    FILE* f = std::fopen(argv[1], "wb");
    if (!f) return 1;
    vorbis_info vi;
    vorbis_info_init(&vi);
    if (vorbis_encode_init_vbr(&vi, 1, rate, 0.4f) != 0) return 1;
    vorbis_comment vc;
    vorbis_comment_init(&vc);
    vorbis_dsp_state vd;
    vorbis_block vb;
    vorbis_analysis_init(&vd, &vi);
    vorbis_block_init(&vd, &vb);
    ogg_stream_state os;
    ogg_stream_init(&os, 1);
    ogg_packet h, hc, hb;
    vorbis_analysis_headerout(&vd, &vc, &h, &hc, &hb);
    ogg_stream_packetin(&os, &h);
    ogg_stream_packetin(&os, &hc);
    ogg_stream_packetin(&os, &hb);
    ogg_page og;
    while (ogg_stream_flush(&os, &og)) {
        std::fwrite(og.header, 1, og.header_len, f);
        std::fwrite(og.body, 1, og.body_len, f);
    }
    int written = 0;
    bool eos = false;
    while (!eos) {
        int n = written < frames ? std::min(1024, frames - written) : 0;
        if (n > 0) {
            float** buf = vorbis_analysis_buffer(&vd, n);
            for (int i = 0; i < n; ++i)
                buf[0][i] = 0.5f * std::sin(2.0 * M_PI * 440.0 * (written + i) / rate);
            written += n;
        }
        vorbis_analysis_wrote(&vd, n);
        while (vorbis_analysis_blockout(&vd, &vb) == 1) {
            vorbis_analysis(&vb, nullptr);
            vorbis_bitrate_addblock(&vb);
            ogg_packet op;
            while (vorbis_bitrate_flushpacket(&vd, &op)) {
                ogg_stream_packetin(&os, &op);
                while (ogg_stream_flush(&os, &og)) {
                    std::fwrite(og.header, 1, og.header_len, f);
                    std::fwrite(og.body, 1, og.body_len, f);
                    if (ogg_page_eos(&og)) eos = true;
                }
            }
        }
    }
    ogg_stream_clear(&os);
    vorbis_block_clear(&vb);
    vorbis_dsp_clear(&vd);
    vorbis_comment_clear(&vc);
    vorbis_info_clear(&vi);
    std::fclose(f);
    return 0;
}
