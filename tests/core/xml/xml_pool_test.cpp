#include <gtest/gtest.h>

#include <algorithm>
#include <cstdint>
#include <cstring>
#include <future>
#include <random>
#include <set>
#include <thread>
#include <vector>

#include "core/xml/SimpleXml.h"

namespace {

// Blocks of every size are distinct, aligned, keep what is written into them
// until freed, and are handed out again after being freed in any order.
TEST(XmlPool, BlocksOfEverySize) {
    struct Block {
        uint8_t* p;
        size_t size;
    };
    std::vector<Block> blocks;
    std::mt19937 random(7);
    for (int round = 0; round < 3; ++round) {
        for (size_t size : {size_t{0}, size_t{1}, size_t{16}, size_t{17}, size_t{128}, size_t{432},
                            size_t{1024}, size_t{1025}, size_t{5000}}) {
            for (int i = 0; i < 300; ++i) {
                auto* p = static_cast<uint8_t*>(XmlAllocate(size));
                ASSERT_EQ(reinterpret_cast<uintptr_t>(p) % 16, 0u);
                std::memset(p, static_cast<int>(blocks.size() & 0xFF), size);
                blocks.push_back({p, size});
            }
        }
        std::set<uint8_t*> distinct;
        for (const Block& b : blocks) distinct.insert(b.p);
        EXPECT_EQ(distinct.size(), blocks.size());
        for (size_t i = 0; i < blocks.size(); ++i) {
            const Block& b = blocks[i];
            ASSERT_EQ(std::count(b.p, b.p + b.size, static_cast<uint8_t>(i & 0xFF)),
                      static_cast<std::ptrdiff_t>(b.size));
        }
        std::shuffle(blocks.begin(), blocks.end(), random);
        for (size_t i = 0; i < blocks.size() / 2; ++i) XmlFree(blocks[i].p, blocks[i].size);
        blocks.erase(blocks.begin(),
                     blocks.begin() + static_cast<std::ptrdiff_t>(blocks.size() / 2));
        for (size_t i = 0; i < blocks.size(); ++i) {
            std::memset(blocks[i].p, static_cast<int>(i & 0xFF), blocks[i].size);
        }
    }
    for (const Block& b : blocks) XmlFree(b.p, b.size);
}

// Nodes made on one thread and released on another go back to the thread
// that made them, which uses their memory again.
TEST(XmlPool, NodesFreedByAnotherThread) {
    auto build = [] {
        std::vector<Ref<IXmlDocument>> docs;
        for (int d = 0; d < 20; ++d) {
            Ref<IXmlDocument> doc = CreateXmlDocument(u"r", u"1.0", u"", CreateNameTable(8));
            for (int i = 0; i < 200; ++i)
                doc->DocumentElement()->AppendElement(u"e")->SetIntAttr(u"i", i);
            docs.push_back(doc);
        }
        return docs;
    };
    std::promise<std::vector<Ref<IXmlDocument>>> made;
    std::promise<void> released;
    std::future<void> releasedDone = released.get_future();
    std::thread maker([&] {
        made.set_value(build());
        releasedDone.wait();
        // Memory the main thread gave back is taken up again here.
        std::vector<Ref<IXmlDocument>> again = build();
        for (const Ref<IXmlDocument>& doc : again) {
            ASSERT_EQ(doc->DocumentElement()->GetChildNodes()->GetCount(), 200);
            EXPECT_EQ(doc->DocumentElement()->GetChildNodes()->Get(199)->GetIntAttr(u"i", 0), 199);
        }
    });
    std::vector<Ref<IXmlDocument>> docs = made.get_future().get();
    EXPECT_EQ(docs[3]->DocumentElement()->SelectSingleNode(u"e")->GetIntAttr(u"i", -1), 0);
    docs.clear();  // every node's memory belongs to the maker thread
    released.set_value();
    maker.join();
}

}  // namespace
