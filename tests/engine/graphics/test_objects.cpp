// The engine-object framework: reference counts, lists, parents and children,
// manager lifetimes, the create pattern's log lines and the error texts.
#include <gtest/gtest.h>

#include <set>
#include <string>
#include <vector>

#include "engine/graphics/CBaseObject.h"
#include "engine/graphics/CDeviceObject.h"
#include "platform/d3dx9/d3dx9mesh.h"
#include "tests/engine/graphics/object_test_env.h"

namespace {

// Records what happens to it in a shared journal.
struct Journal {
    std::vector<std::string> events;
    int destroyed = 0;
};

class CProbe : public CDeviceObject {
public:
    CProbe(CDeviceObjectManager* manager, Journal* journal, const char* tag)
        : CDeviceObject(manager), journal_(journal), tag_(tag) {}
    ~CProbe() override {
        Kestra::LogRed("CProbe Destruct [%s]", GetName());
        Kestra::LogNewLine();
        if (releaseSelfOnDestroy) Release();
        if (journal_) {
            journal_->events.push_back("destroy " + tag_);
            ++journal_->destroyed;
        }
    }
    void OnLostDevice() override { journal_->events.push_back("lost " + tag_); }
    void OnResetDevice() override { journal_->events.push_back("reset " + tag_); }
    bool Create(bool succeed) { return succeed; }

    bool releaseSelfOnDestroy = false;

private:
    Journal* journal_;
    std::string tag_;
};

class CProbeManager : public CRestoreManager {
public:
    explicit CProbeManager(IDirect3DDevice9* device) : CRestoreManager(device) {}
    CProbe* Create(Journal* journal, const char* tag, bool succeed) {
        return FinishCreate(
            new CProbe(this, journal, tag), "CProbe::Create", [&](CProbe* p) { return p->Create(succeed); }, tag);
    }
};

class CProbe2D : public CObject2D {
public:
    using CObject2D::CObject2D;
    void OnLostDevice() override {}
    void OnResetDevice() override {}
    void SetClipRect(const RECT* rect) override { clip = rect ? *rect : RECT{}; }
    void SetPerspective(bool enable, float, float, float strength) override {
        perspective = enable;
        this->strength = strength;
    }
    void SetScaling(bool enable, float centerX, float, float) override {
        scaling = enable;
        this->centerX = centerX;
    }
    RECT clip{};
    bool perspective = false, scaling = false;
    float strength = 0, centerX = 0;
};

// A plain node for the list and child tests.
struct Node : CBaseObject {
    explicit Node(int* destroyed = nullptr) : destroyed_(destroyed) {}
    ~Node() override {
        if (destroyed_) ++*destroyed_;
    }
    int* destroyed_;
};

using ObjectFramework = objtest::LogTest;

TEST_F(ObjectFramework, ReleasingAtTwoKeepsTheObjectListedAndTheLastReleaseUnlistsIt) {
    Journal journal;
    CProbeManager manager(nullptr);
    CProbe* probe = manager.Create(&journal, "probe", true);
    ASSERT_NE(probe, nullptr);
    EXPECT_EQ(probe->GetRefCount(), 1);
    EXPECT_EQ(manager.GetCount(), 1u);
    EXPECT_EQ(manager.GetRefCount(), 2) << "every object holds its manager";
    probe->AddRef();
    EXPECT_EQ(probe->Release(), 1);
    EXPECT_EQ(journal.destroyed, 0);
    EXPECT_EQ(manager.First(), probe);
    EXPECT_EQ(probe->Release(), 0);
    EXPECT_EQ(journal.destroyed, 1);
    EXPECT_EQ(manager.GetCount(), 0u);
    EXPECT_EQ(manager.First(), nullptr);
    EXPECT_EQ(manager.GetRefCount(), 1);
    EXPECT_EQ(Count("CProbe Destruct [probe]"), 1);
}

TEST_F(ObjectFramework, CreatePatternLogsSuccessOrFailureAndFailureLeavesNothingListed) {
    Journal journal;
    CProbeManager manager(nullptr);
    CProbe* good = manager.Create(&journal, "good", true);
    ASSERT_NE(good, nullptr);
    EXPECT_STREQ(good->GetName(), "good");
    EXPECT_EQ(manager.Create(&journal, "bad", false), nullptr);
    EXPECT_EQ(manager.GetCount(), 1u);
    EXPECT_EQ(manager.First(), good);
    EXPECT_EQ(journal.destroyed, 1);
    const std::string log = Log();
    EXPECT_NE(log.find("<B><FONT color=\"BLUE\">CProbe::Create</FONT></B><B><FONT color=\"GREEN\">Success!</FONT></B><BR>"),
              std::string::npos)
        << log;
    // The failed object was never named: its destruction shows an empty name.
    EXPECT_NE(log.find("<B><FONT color=\"BLUE\">CProbe::Create</FONT></B><B><FONT color=\"RED\">Failed!</FONT></B><BR>"
                       "\r\n<B><FONT color=\"RED\">CProbe Destruct []</FONT></B>"),
              std::string::npos)
        << log;
    good->Release();
}

TEST(ObjectList, RemovingHeadMiddleOrTailKeepsHeadTailAndCount) {
    for (int victim = 0; victim < 3; ++victim) {
        SCOPED_TRACE(victim);
        CObjectList list;
        Node a, b, c;
        Node* nodes[3] = {&a, &b, &c};
        for (Node* n : nodes) list.Add(n);
        ASSERT_EQ(list.GetCount(), 3u);
        list.Remove(nodes[victim]);
        std::vector<CBaseObject*> rest;
        for (CBaseObject* o = list.First(); o; o = list.Next(o)) rest.push_back(o);
        std::vector<CBaseObject*> expected;
        for (int i = 0; i < 3; ++i)
            if (i != victim) expected.push_back(nodes[i]);
        EXPECT_EQ(rest, expected);
        EXPECT_EQ(list.GetCount(), 2u);
        EXPECT_EQ(list.First(), expected.front());
        EXPECT_EQ(list.Last(), expected.back());
        EXPECT_FALSE(list.Contains(nodes[victim]));
        // The removed object can join a list again.
        list.Add(nodes[victim]);
        EXPECT_EQ(list.Last(), nodes[victim]);
        EXPECT_EQ(list.GetCount(), 3u);
        list.Clear();
        EXPECT_EQ(list.GetCount(), 0u);
        EXPECT_EQ(list.First(), nullptr);
        EXPECT_EQ(list.Last(), nullptr);
    }
}

TEST(ObjectList, AnObjectStaysInOneListAndForeignRemovalsAreIgnored) {
    CObjectList first, second;
    Node a, b;
    first.Add(&a);
    second.Add(&a);  // already listed elsewhere
    first.Add(&a);   // already listed here
    EXPECT_EQ(first.GetCount(), 1u);
    EXPECT_EQ(second.GetCount(), 0u);
    second.Remove(&a);
    second.Remove(&b);
    EXPECT_EQ(first.GetCount(), 1u);
    EXPECT_EQ(second.GetCount(), 0u);
    EXPECT_EQ(first.First(), &a);
    first.Remove(&a);
}

TEST(ObjectChildren, DestroyingAParentReleasesEachChildOnceAndSharedChildrenSurvive) {
    int destroyed = 0;
    auto* parent = new Node(&destroyed);
    auto* c1 = new Node(&destroyed);
    auto* c2 = new Node(&destroyed);
    auto* c3 = new Node(&destroyed);
    parent->AddChild(c1);
    parent->AddChild(c2);
    parent->AddChild(c3);
    EXPECT_EQ(parent->GetChildCount(), 3);
    EXPECT_EQ(parent->GetChild(), c1);
    EXPECT_EQ(c1->GetSibling(), c2);
    EXPECT_EQ(c2->GetSibling(), c3);
    EXPECT_EQ(c2->GetParent(), parent);
    EXPECT_EQ(c2->GetRefCount(), 1) << "attaching adds no reference";

    c2->AddRef();  // a second holder
    EXPECT_EQ(parent->Release(), 0);
    EXPECT_EQ(destroyed, 3) << "parent, c1 and c3";
    EXPECT_EQ(c2->GetParent(), nullptr);
    EXPECT_EQ(c2->GetSibling(), nullptr);
    EXPECT_EQ(c2->GetRefCount(), 1);
    EXPECT_EQ(c2->Release(), 0);
    EXPECT_EQ(destroyed, 4);
}

namespace {

std::vector<CBaseObject*> Chain(const CBaseObject* parent) {
    std::vector<CBaseObject*> out;
    for (CBaseObject* c = parent->GetChild(); c && out.size() < 8; c = c->GetSibling()) out.push_back(c);
    return out;
}

}  // namespace

// A child leaves its parent when it is destroyed or given to another parent:
// the chain closes over it, whichever it was, and the next child goes at its end.
TEST(ObjectChildren, ALeavingChildIsCutOutOfTheChainAndTheNextGoesAtItsEnd) {
    for (int leaving = 0; leaving < 3; ++leaving) {
        for (bool moved : {false, true}) {
            SCOPED_TRACE("child " + std::to_string(leaving) + (moved ? " moved" : " destroyed"));
            int destroyed = 0;
            auto* parent = new Node(&destroyed);
            auto* other = new Node(&destroyed);
            std::vector<CBaseObject*> children, kept;
            for (int i = 0; i < 3; ++i) {
                children.push_back(new Node(&destroyed));
                parent->AddChild(children.back());
                if (i != leaving) kept.push_back(children.back());
            }
            if (moved) {
                other->AddChild(children[leaving]);
            } else {
                children[leaving]->Release();
            }
            auto* late = new Node(&destroyed);
            parent->AddChild(late);
            kept.push_back(late);
            EXPECT_EQ(Chain(parent), kept);
            EXPECT_EQ(parent->GetChildCount(), 3);
            EXPECT_EQ(Chain(other), moved ? std::vector<CBaseObject*>{children[leaving]} : std::vector<CBaseObject*>{});
            other->Release();
            parent->Release();
            EXPECT_EQ(destroyed, 6);
        }
    }
}

// The one rule by which every lookup by name matches names (and keys its tables).
TEST(ObjectChildren, NamesMatchWithCapitalsTakenAsSmallLettersAndTwoByteCharactersWhole) {
    struct Case {
        const char* a;
        const char* b;
        bool same;
    };
    const Case cases[] = {
        {"Bone_01", "bONE_01", true}, {"", "", true},          {"Bone", "Bone ", false}, {"Bone", "Bon", false},
        {"[\\]^_@", "{|}~\x7f`", false},  // the bytes beside the letters are no letters
        {"Img/Big.TGA", "img/big.tga", true},
        {"\x83\x41", "\x83\x61", false},  // a CP932 pair whole: ア is not ヂ
        {"\x83", "\x83\x41", false},       // a lone lead byte is a character of its own
        {"\xC0", "\xE0", false},           // nor are bytes past ASCII
        {"Bone", nullptr, false},          {nullptr, nullptr, false},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(std::string(c.a ? c.a : "(null)") + " / " + (c.b ? c.b : "(null)"));
        EXPECT_EQ(SameName(c.a, c.b), c.same);
        EXPECT_EQ(SameName(c.b, c.a), c.same);
        if (c.a && c.b) {
            EXPECT_EQ(NameKey(c.a) == NameKey(c.b), c.same);
        }
    }
    EXPECT_EQ(NameKey("Bone_01"), "bone_01");
}

static_assert(CBaseObject::kNameSize == 260);  // written out, not taken from the product

TEST(ObjectChildren, NamesAreBoundedAndCopied) {
    Node n;
    EXPECT_STREQ(n.GetName(), "");
    const std::string longName(400, 'x');
    n.SetName(longName.c_str());
    EXPECT_EQ(std::string(n.GetName()), std::string(CBaseObject::kNameSize - 1, 'x'));
    n.SetName("short");
    EXPECT_STREQ(n.GetName(), "short");
}

TEST_F(ObjectFramework, DeletingAManagerDestroysWhatOnlyItsCreatorHeldAndDetachesTheRest) {
    Journal journal;
    auto* manager = new CProbeManager(nullptr);
    CProbe* dropped = manager->Create(&journal, "dropped", true);
    CProbe* kept = manager->Create(&journal, "kept", true);
    ASSERT_NE(dropped, nullptr);
    ASSERT_NE(kept, nullptr);
    kept->AddRef();
    delete manager;
    EXPECT_EQ(journal.destroyed, 1);
    EXPECT_EQ(journal.events.back(), "destroy dropped");
    // The survivor has no manager to go back to; releasing it later is safe.
    EXPECT_EQ(kept->GetManager(), nullptr);
    EXPECT_EQ(kept->GetDevice(), nullptr);
    EXPECT_EQ(kept->GetFocusWindow(), nullptr);
    EXPECT_EQ(kept->GetList(), nullptr);
    EXPECT_EQ(kept->GetRefCount(), 1);
    EXPECT_EQ(kept->Release(), 0);
    EXPECT_EQ(journal.destroyed, 2);
}

TEST_F(ObjectFramework, DeletingAManagerCopesWithObjectsThatDestroyEachOther) {
    // A parent listed before its child: releasing the parent destroys the child,
    // which the walk must not touch again.
    Journal journal;
    auto* manager = new CProbeManager(nullptr);
    CProbe* parent = manager->Create(&journal, "parent", true);
    CProbe* child = manager->Create(&journal, "child", true);
    CProbe* last = manager->Create(&journal, "last", true);
    parent->AddChild(child);
    ASSERT_NE(last, nullptr);
    delete manager;
    EXPECT_EQ(journal.destroyed, 3);
    EXPECT_EQ(journal.events, (std::vector<std::string>{"destroy parent", "destroy child", "destroy last"}));
}

TEST_F(ObjectFramework, ReleaseDuringDestructionIsRefusedWithALogLine) {
    Journal journal;
    CProbeManager manager(nullptr);
    CProbe* probe = manager.Create(&journal, "self", true);
    probe->releaseSelfOnDestroy = true;
    EXPECT_EQ(probe->Release(), 0);
    EXPECT_EQ(journal.destroyed, 1);
    EXPECT_EQ(Count("CBaseObject::Release : "), 1);
}

TEST_F(ObjectFramework, RestoreManagersWalkTheirListInOrderAndPlainManagersDoNothing) {
    Journal journal;
    CProbeManager manager(nullptr);
    CProbe* a = manager.Create(&journal, "a", true);
    CProbe* b = manager.Create(&journal, "b", true);
    manager.OnLostDevice();
    manager.OnResetDevice();
    EXPECT_EQ(journal.events, (std::vector<std::string>{"lost a", "lost b", "reset a", "reset b"}));

    CDeviceObjectManager plain(nullptr);
    Journal other;
    auto* c = new CProbe(&plain, &other, "c");
    plain.OnLostDevice();
    plain.OnResetDevice();
    EXPECT_TRUE(other.events.empty());
    c->Release();
    a->Release();
    b->Release();
}

TEST_F(ObjectFramework, TwoDimensionalManagersPassSettingsToEveryObject) {
    CObject2DManager manager(nullptr);
    auto* p = new CProbe2D(&manager);
    auto* q = new CProbe2D(&manager);
    const RECT clip{10, 20, 300, 200};
    manager.SetClipRect(&clip);
    manager.SetScaling(true, 320.0f, 240.0f, 2.0f);
    manager.SetPerspective(true, 320.0f, 240.0f, 100.0f);
    for (CProbe2D* o : {p, q}) {
        EXPECT_EQ(o->clip.left, 10);
        EXPECT_EQ(o->clip.bottom, 200);
        EXPECT_TRUE(o->scaling);
        EXPECT_FLOAT_EQ(o->centerX, 320.0f);
        EXPECT_TRUE(o->perspective);
        EXPECT_FLOAT_EQ(o->strength, 100.0f);
    }
    p->Release();
    q->Release();
}

TEST(ObjectErrorTexts, KnownCodesGiveTheirTextsAndOthersTheUnknownText) {
    CDeviceObjectManager manager(nullptr);
    struct Plain : CDeviceObject {
        using CDeviceObject::CDeviceObject;
        void OnLostDevice() override {}
        void OnResetDevice() override {}
    };
    auto* o = new Plain(&manager);
    // Every code the Direct3D headers name has a text of its own.
    const HRESULT named[] = {D3D_OK, E_FAIL, E_OUTOFMEMORY, E_INVALIDARG, D3DERR_OUTOFVIDEOMEMORY,
                             D3DERR_WRONGTEXTUREFORMAT, D3DERR_UNSUPPORTEDCOLOROPERATION, D3DERR_UNSUPPORTEDCOLORARG,
                             D3DERR_UNSUPPORTEDALPHAOPERATION, D3DERR_UNSUPPORTEDALPHAARG, D3DERR_TOOMANYOPERATIONS,
                             D3DERR_CONFLICTINGTEXTUREFILTER, D3DERR_UNSUPPORTEDFACTORVALUE,
                             D3DERR_CONFLICTINGRENDERSTATE, D3DERR_UNSUPPORTEDTEXTUREFILTER,
                             D3DERR_CONFLICTINGTEXTUREPALETTE, D3DERR_DRIVERINTERNALERROR, D3DERR_NOTFOUND,
                             D3DERR_MOREDATA, D3DERR_DEVICELOST, D3DERR_DEVICENOTRESET, D3DERR_NOTAVAILABLE,
                             D3DERR_INVALIDDEVICE, D3DERR_INVALIDCALL, D3DXERR_CANNOTMODIFYINDEXBUFFER,
                             D3DXERR_INVALIDMESH, D3DXERR_CANNOTATTRSORT, D3DXERR_SKINNINGNOTSUPPORTED,
                             D3DXERR_TOOMANYINFLUENCES, D3DXERR_INVALIDDATA};
    std::set<std::string> texts;
    for (const HRESULT code : named) {
        const std::string text = o->GetErrorText(code);
        EXPECT_NE(text, "未知のエラー。") << std::hex << code;
        EXPECT_TRUE(texts.insert(text).second) << std::hex << code << " shares its text";
    }
    EXPECT_STREQ(o->GetErrorText(D3DXERR_INVALIDMESH), "メッシュが無効である。 ");
    EXPECT_STREQ(o->GetErrorText(static_cast<HRESULT>(0x12345678)), "未知のエラー。");
    // One buffer, overwritten by the next call.
    const char* first = o->GetErrorText(D3D_OK);
    o->GetErrorText(static_cast<HRESULT>(0x12345678));
    EXPECT_STREQ(first, "未知のエラー。");
    o->Release();
}

// A manager on a real (null-backend) device.
class ObjectDevice : public ::testing::Test {
protected:
    void SetUp() override {
        d3d9test::ResetAll();
        d3d9test::SetBackend(d3d9test::Backend::Null);
        d3d_ = Direct3DCreate9(D3D_SDK_VERSION);
        ASSERT_NE(d3d_, nullptr);
        D3DPRESENT_PARAMETERS pp{};
        pp.BackBufferWidth = 64;
        pp.BackBufferHeight = 64;
        pp.BackBufferFormat = D3DFMT_X8R8G8B8;
        pp.BackBufferCount = 1;
        pp.SwapEffect = D3DSWAPEFFECT_DISCARD;
        pp.hDeviceWindow = kWindow;
        pp.Windowed = TRUE;
        ASSERT_EQ(d3d_->CreateDevice(0, D3DDEVTYPE_HAL, kWindow, D3DCREATE_MIXED_VERTEXPROCESSING, &pp, &device_),
                  D3D_OK);
    }
    void TearDown() override {
        if (device_) {
            EXPECT_EQ(device_->Release(), 0u) << "a manager kept a device reference";
        }
        if (d3d_) d3d_->Release();
        d3d9test::ResetAll();
    }
    static inline const HWND kWindow = reinterpret_cast<HWND>(uintptr_t(0x2468));
    IDirect3D9* d3d_ = nullptr;
    IDirect3DDevice9* device_ = nullptr;
};

TEST_F(ObjectDevice, ManagersHoldOneDeviceReferenceAndHandOutTheFocusWindow) {
    {
        CRestoreManager manager(device_);
        device_->AddRef();
        EXPECT_EQ(device_->Release(), 2u) << "the test's and the manager's";
        IDirect3DDevice9* out = nullptr;
        ASSERT_TRUE(manager.GetDevice(&out));
        EXPECT_EQ(out, device_);
        EXPECT_EQ(out->Release(), 2u);
        EXPECT_EQ(manager.GetDeviceRaw(), device_);
        EXPECT_EQ(manager.GetFocusWindow(), kWindow);

        Journal journal;
        auto* probe = new CProbe(&manager, &journal, "p");
        EXPECT_EQ(probe->GetDevice(), device_);
        EXPECT_EQ(probe->GetFocusWindow(), kWindow);
        // Null unbinds the stage on the owner's device.
        EXPECT_EQ(probe->SetTexture(0, nullptr), D3D_OK);
        IDirect3DBaseTexture9* bound = reinterpret_cast<IDirect3DBaseTexture9*>(1);
        ASSERT_EQ(device_->GetTexture(0, &bound), D3D_OK);
        EXPECT_EQ(bound, nullptr);
        probe->Release();
    }
    CDeviceObjectManager empty(nullptr);
    IDirect3DDevice9* none = reinterpret_cast<IDirect3DDevice9*>(1);
    EXPECT_FALSE(empty.GetDevice(&none));
    EXPECT_EQ(none, nullptr);
    EXPECT_EQ(empty.GetFocusWindow(), nullptr);
}

}  // namespace
