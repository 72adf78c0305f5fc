// tests/racing/demo_fixture.h — demo files by hand and taken apart: a writer of heads and
// packet chains, a reader of a chain into its packets, and the timing fixture with the track
// listed so a demo naming it opens.
#pragma once
#include <cstdint>
#include <string>
#include <vector>

#include "timing_fixture.h"

struct demo_packet_view {
    std::uint32_t length;
    std::int32_t  tick;
    int           type;
    std::string   payload;
    std::size_t   offset;   // of the packet's head in the file
};

// Writes a packet chain the way the game does (lengths XORed with the one before).
struct demo_chain {
    std::string bytes;
    std::uint32_t previous = 0;
    void u32(std::uint32_t v);
    void packet(int type, std::int32_t tick, const std::string &payload);
    void packet_raw_length(std::uint32_t stored, std::int32_t tick, int type, const std::string &payload);
    // A type-1 record: ordinal, tick, 39 frame bytes.
    static std::string record(int ordinal, std::int32_t tick, const std::uint8_t *frame);
};

// Splits text after its head (head_bytes long) into packets; stops at a packet that does not
// fit. *rest: bytes left over.
std::vector<demo_packet_view> demo_packets(const std::string &file, std::size_t head_bytes, std::size_t *rest = nullptr);
// The head of a version-6 demo: everything up to the blank line after the last rider (or the
// track line when there are none).
std::size_t demo_head_bytes(const std::string &file, int riders);

struct DemoField : TimingField {
    char *listed[1] = {(char *)"timing"};
    void SetUp() override;
    void TearDown() override;
    std::string demo_path(const char *name) const { return home + "demos/" + name; }
};
