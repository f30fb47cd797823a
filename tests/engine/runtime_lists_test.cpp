#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <set>
#include <string>
#include <vector>

#include "ExConsts.h"
#include "ExDataSt.h"
#include "TestSupport.h"

namespace quorvel {
namespace {

using test::Shown;
using test::TCapturingSink;
using ::testing::ElementsAre;
using ::testing::IsEmpty;

// Stands in for the engine: it records what Retract asks to instantiate and
// stores it the way the engine does (the instance list and the trees).
class TStubInstantiator : public IInstantiator {
public:
    struct TCall {
        int32_t var;
        std::string text;
        bool isCode;
        float cnf;
        friend bool operator==(const TCall&, const TCall&) = default;
    };

    TStubInstantiator(TVarListTree& values, TInstanceList& instances) : values_(values), instances_(instances) {}

    bool IsMultivalued(int32_t varCode) override { return Multivalued.count(varCode) > 0; }
    void Instantiate(int32_t varCode, const std::string& valueText, bool isCode, float cnf) override {
        Calls.push_back({varCode, valueText, isCode, cnf});
        instances_.AddInstance(varCode, valueText, isCode, cnf);
        const int32_t valueCode = std::stoi(valueText);
        if (IsMultivalued(varCode)) {
            // A value taken again gets the new confidence in its record.
            for (values_.Find(varCode); !values_.Eof() && values_.GetCode() == varCode; values_.Next()) {
                if (values_.GetValueCode() == valueCode) {
                    values_.SetCnf(cnf);
                    return;
                }
            }
        } else if (values_.Find(varCode)) {
            values_.DeleteCurrent();  // a univalued variable holds one value
        }
        values_.AddInstantiation(varCode, valueCode, cnf);
    }

    std::set<int32_t> Multivalued;
    std::vector<TCall> Calls;

private:
    TVarListTree& values_;
    TInstanceList& instances_;
};

struct TRetractFixture {
    TCapturingSink sink;
    TVarListTree values{&sink};
    TVarListExtraTree numbers{&sink};
    TInstanceList instances;
    TStubInstantiator engine{values, instances};

    // (value code, CNF) of a variable in chain order.
    std::vector<std::pair<int32_t, float>> ValuesOf(int32_t var) {
        std::vector<std::pair<int32_t, float>> found;
        for (values.Find(var); !values.Eof() && values.GetCode() == var; values.Next())
            found.emplace_back(values.GetValueCode(), values.GetCnf());
        return found;
    }
    std::vector<std::string> InstanceTexts() {
        std::vector<std::string> texts;
        for (const TInstance& instance : instances.Items())
            texts.push_back(std::to_string(instance.VarCode) + ":" + instance.ValueText);
        return texts;
    }
};

TEST(Retract, UnivaluedVariableGoesBackToItsEarlierValue) {
    TRetractFixture f;
    f.engine.Instantiate(1, "3", true, 0.6f);
    f.engine.Instantiate(2, "9", true, 0.9f);
    f.engine.Instantiate(1, "5", true, 0.8f);
    f.engine.Calls.clear();
    ASSERT_THAT(f.ValuesOf(1), ElementsAre(std::pair(5, 0.8f)));

    f.instances.Retract(1, f.values, f.numbers, f.engine);
    EXPECT_THAT(f.engine.Calls, ElementsAre(TStubInstantiator::TCall{1, "3", true, 0.6f}));
    EXPECT_THAT(f.ValuesOf(1), ElementsAre(std::pair(3, 0.6f)));
    EXPECT_THAT(f.ValuesOf(2), ElementsAre(std::pair(9, 0.9f)));
    EXPECT_THAT(f.InstanceTexts(), ElementsAre("1:3", "2:9", "1:3"));

    // An instance keeps its own flag when it comes back.
    f.engine.Instantiate(3, "4", false, 0.3f);
    f.engine.Instantiate(3, "6", true, 0.2f);
    f.engine.Calls.clear();
    f.instances.Retract(3, f.values, f.numbers, f.engine);
    EXPECT_THAT(f.engine.Calls, ElementsAre(TStubInstantiator::TCall{3, "4", false, 0.3f}));
    EXPECT_THAT(f.sink.Messages, IsEmpty());
}

TEST(Retract, TheLastInstanceOfAVariableLeavesItUninstantiated) {
    TRetractFixture f;
    f.engine.Instantiate(4, "7", true, 1.0f);
    f.numbers.AddNumericInstantiation(4, "2.5", 1.0f);
    f.engine.Instantiate(5, "1", true, 1.0f);
    f.engine.Calls.clear();

    f.instances.Retract(4, f.values, f.numbers, f.engine);
    EXPECT_THAT(f.engine.Calls, IsEmpty());
    EXPECT_THAT(f.ValuesOf(4), IsEmpty());
    EXPECT_FALSE(f.numbers.Find(4));
    EXPECT_THAT(f.InstanceTexts(), ElementsAre("5:1"));
}

TEST(Retract, MultivaluedVariableGoesBackToTheEarlierConfidenceOfThatValue) {
    TRetractFixture f;
    f.engine.Multivalued = {1};
    f.engine.Instantiate(1, "3", false, 0.5f);
    f.engine.Instantiate(1, "5", false, 0.4f);
    f.engine.Instantiate(1, "7", false, 0.7f);
    f.engine.Instantiate(1, "5", false, 0.9f);  // 5 again, more certain
    f.engine.Calls.clear();
    ASSERT_THAT(f.ValuesOf(1), ElementsAre(std::pair(3, 0.5f), std::pair(5, 0.9f), std::pair(7, 0.7f)));

    // The record of 5 goes, 3 and 7 stay, and the earlier instance of 5 is
    // instantiated again, as a value code.
    f.instances.Retract(1, f.values, f.numbers, f.engine);
    EXPECT_THAT(f.engine.Calls, ElementsAre(TStubInstantiator::TCall{1, "5", true, 0.4f}));
    EXPECT_THAT(f.ValuesOf(1), ElementsAre(std::pair(3, 0.5f), std::pair(7, 0.7f), std::pair(5, 0.4f)));
    EXPECT_THAT(f.sink.Messages, IsEmpty());
}

TEST(Retract, MultivaluedValueWithoutAnEarlierInstanceIsJustRemoved) {
    TRetractFixture f;
    f.engine.Multivalued = {1};
    f.engine.Instantiate(1, "3", false, 0.5f);
    f.engine.Instantiate(2, "7", true, 0.5f);  // another variable holding the same value code
    f.values.AddInstantiation(2, 3, 0.3f);
    f.engine.Instantiate(1, "7", false, 0.7f);
    f.engine.Calls.clear();

    f.instances.Retract(1, f.values, f.numbers, f.engine);
    EXPECT_THAT(f.engine.Calls, IsEmpty());
    EXPECT_THAT(f.ValuesOf(1), ElementsAre(std::pair(3, 0.5f)));
    EXPECT_THAT(f.ValuesOf(2), ElementsAre(std::pair(7, 0.5f), std::pair(3, 0.3f)));
    EXPECT_THAT(f.InstanceTexts(), ElementsAre("1:3", "2:7"));

    // The value is sought only among the variable's own records: when the
    // variable no longer holds it, the next variable's record of that value
    // code is left alone.
    f.instances.AddInstance(1, "7", false, 0.7f);
    f.instances.Retract(1, f.values, f.numbers, f.engine);
    EXPECT_THAT(f.ValuesOf(1), ElementsAre(std::pair(3, 0.5f)));
    EXPECT_THAT(f.ValuesOf(2), ElementsAre(std::pair(7, 0.5f), std::pair(3, 0.3f)));
}

TEST(Retract, AVariableWithoutInstancesChangesNothing) {
    TRetractFixture f;
    f.engine.Instantiate(1, "3", true, 0.5f);
    f.engine.Calls.clear();
    for (const bool multivalued : {false, true}) {
        f.engine.Multivalued = multivalued ? std::set<int32_t>{9} : std::set<int32_t>{};
        f.values.AddInstantiation(9, 4, 0.2f);  // an instantiation the instance list does not know
        f.instances.Retract(9, f.values, f.numbers, f.engine);
        EXPECT_THAT(f.ValuesOf(9), ElementsAre(std::pair(4, 0.2f)));
        f.values.Find(9);
        f.values.DeleteCurrent();
    }
    EXPECT_THAT(f.engine.Calls, IsEmpty());
    EXPECT_THAT(f.InstanceTexts(), ElementsAre("1:3"));
    EXPECT_THAT(f.ValuesOf(1), ElementsAre(std::pair(3, 0.5f)));
}

TEST(InstanceList, RemovesAllInstancesOfAVariable) {
    TInstanceList list;
    list.AddInstance(1, "3", true, 0.5f);
    list.AddInstance(2, "4", true, 0.5f);
    list.Append({1, "2.5", 1.0f, false});
    list.AddInstance(3, std::string(300, 'x'), false, 1.0f);
    list.RemoveAllOf(1);
    ASSERT_EQ(list.Count(), 2);
    EXPECT_EQ(list.Items().front().VarCode, 2);
    EXPECT_EQ(list.Items().back().ValueText.size(), 255u);  // texts are short strings
}

// ---------------------------------------------------------- instantiation trees

TEST(VarListTree, KeepsInstantiationsOfAVariableInTheOrderAdded) {
    TCapturingSink sink;
    TVarListTree tree(&sink);
    tree.AddInstantiation(2, 8, 0.8f);
    tree.AddInstantiation(1, 5, 0.5f);
    tree.AddInstantiation(2, 6, 0.6f);
    std::vector<int32_t> run;
    for (tree.Find(2); !tree.Eof() && tree.GetCode() == 2; tree.Next()) run.push_back(tree.GetValueCode());
    EXPECT_THAT(run, ElementsAre(8, 6));
    EXPECT_THAT(sink.Messages, IsEmpty());
}

TEST(VarListTree, DeleteCurrentRemovesTheRecordWithTheCurrentValueCode) {
    TCapturingSink sink;
    TVarListTree tree(&sink);
    for (int32_t value : {7, 8, 9}) tree.AddInstantiation(1, value, 0.1f * static_cast<float>(value));
    tree.AddInstantiation(2, 8, 1.0f);

    tree.Find(1);
    tree.Next();  // on 8
    tree.DeleteCurrent();
    EXPECT_EQ(tree.GetValueCode(), 9);  // the cursor moved on
    std::vector<int32_t> run;
    for (tree.Find(1); !tree.Eof() && tree.GetCode() == 1; tree.Next()) run.push_back(tree.GetValueCode());
    EXPECT_THAT(run, ElementsAre(7, 9));
    ASSERT_TRUE(tree.Find(2));
    EXPECT_EQ(tree.GetValueCode(), 8);  // the other variable's 8 is untouched

    tree.Find(3);
    tree.DeleteCurrent();
    EXPECT_EQ(tree.Count(), 3);
    EXPECT_THAT(sink.Messages, ElementsAre(Shown(TMsgKind::Warning, msg::DeleteLostPointer)));
}

TEST(VarListExtraTree, DeleteCurrentMatchesTheValueTextExactly) {
    TCapturingSink sink;
    TVarListExtraTree tree(&sink);
    tree.AddNumericInstantiation(1, "2.5", 0.5f);
    tree.AddNumericInstantiation(1, "2,5", 0.6f);
    tree.AddNumericInstantiation(1, "3", 0.7f);
    tree.Find(1);
    tree.Next();  // on "2,5"
    tree.DeleteCurrent();
    EXPECT_EQ(tree.GetValueText(), "3");
    std::vector<std::string> run;
    for (tree.Find(1); !tree.Eof(); tree.Next()) run.push_back(tree.GetValueText());
    EXPECT_THAT(run, ElementsAre("2.5", "3"));
    EXPECT_THAT(sink.Messages, IsEmpty());
}

// ------------------------------------------------------------ stacks, queue

TEST(Stacks, PopAndTopOnAnEmptyStackShowTheMessageAndYieldNothing) {
    TCapturingSink sink;
    TIntegerStack integers(&sink);
    EXPECT_EQ(integers.Pop(), 0);
    EXPECT_TRUE(integers.IsEmpty());
    EXPECT_EQ(integers.Count(), 0);
    EXPECT_EQ(integers.Top(), 0);
    int marker = 0;
    TStack objects(&sink);
    EXPECT_EQ(objects.Pop(), nullptr);
    objects.Push(&marker);
    EXPECT_EQ(objects.Pop(), &marker);
    EXPECT_THAT(sink.Messages, ElementsAre(Shown(TMsgKind::Information, msg::EmptyStack),
                                           Shown(TMsgKind::Information, msg::EmptyStack),
                                           Shown(TMsgKind::Information, msg::EmptyStack)));
}

TEST(Stacks, AreLastInFirstOut) {
    TCapturingSink sink;
    TIntegerStack integers(&sink);
    for (int32_t value : {1, 2, 3}) integers.Push(value);
    EXPECT_EQ(integers.Top(), 3);
    EXPECT_EQ(integers.Count(), 3);
    EXPECT_EQ(integers.Pop(), 3);
    EXPECT_EQ(integers.Pop(), 2);
    integers.Push(4);
    EXPECT_EQ(integers.Pop(), 4);
    EXPECT_EQ(integers.Pop(), 1);
    EXPECT_TRUE(integers.IsEmpty());

    TStringStack strings;
    strings.Push("a");
    strings.Push("b");
    EXPECT_EQ(strings.Top(), "b");
    EXPECT_EQ(strings.Pop(), "b");
    EXPECT_EQ(strings.Count(), 1);
    EXPECT_EQ(strings.Pop(), "a");
    EXPECT_EQ(strings.Count(), 0);
    EXPECT_THAT(sink.Messages, IsEmpty());
}

TEST(Queue, FrontAndDequeueOnAnEmptyQueueShowTheMessageAndSetTheErrorFlag) {
    TCapturingSink sink;
    TQueue queue(&sink);
    EXPECT_FALSE(queue.Error());
    EXPECT_EQ(queue.Front(), 0);
    EXPECT_TRUE(queue.Error());
    queue.Dequeue();
    EXPECT_EQ(queue.Count(), 0);
    queue.Enqueue(5);
    EXPECT_EQ(queue.Front(), 5);
    EXPECT_TRUE(queue.Error());  // the queue never clears the flag itself
    EXPECT_THAT(sink.Messages,
                ElementsAre(Shown(TMsgKind::Warning, msg::EmptyQueue), Shown(TMsgKind::Warning, msg::EmptyQueue)));
}

TEST(Queue, IsFirstInFirstOutAndTrimKeepsTheFirstElements) {
    TCapturingSink sink;
    TQueue queue(&sink);
    for (int32_t value : {1, 2, 3, 4}) queue.Enqueue(value);
    queue.Dequeue();
    EXPECT_EQ(queue.Front(), 2);
    queue.Trim(2);
    EXPECT_EQ(queue.Count(), 2);
    queue.Enqueue(9);
    std::vector<int32_t> drained;
    while (!queue.IsEmpty()) {
        drained.push_back(queue.Front());
        queue.Dequeue();
    }
    EXPECT_THAT(drained, ElementsAre(2, 3, 9));
    queue.Enqueue(1);
    queue.Trim(0);
    EXPECT_TRUE(queue.IsEmpty());
    EXPECT_FALSE(queue.Error());
    EXPECT_THAT(sink.Messages, IsEmpty());
}

}  // namespace
}  // namespace quorvel
