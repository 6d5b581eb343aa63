#include "files/PrjFile.h"

#include <fcntl.h>
#include <unistd.h>

#include <cerrno>
#include <cstring>
#include <ctime>
#include <filesystem>
#include <map>
#include <type_traits>

#include "files/ModelFile.h"
#include "files/OrdList_.h"
#include "files/TXMLIn.h"
#include "files/TXMLOut.h"
#include "foundation/DeflateBehind.h"
#include "foundation/Format.h"
#include "foundation/InflateAhead.h"
#include "foundation/ORVGZipStreams.h"
#include "model/ADMIN.h"
#include "model/Attractors.h"
#include "model/CATEGORY.h"
#include "model/LINK.h"
#include "model/LINKTYPE.h"
#include "model/Mode.h"
#include "model/NODE.h"
#include "model/OPERATOR.h"
#include "model/Project.h"
#include "model/SECTOR.h"
#include "model/Zone.h"

namespace zep::files {

namespace fs = std::filesystem;

std::string TFileVersion::Text() const {
    return Format("%d.%d.%d", {int(major), int(minor), int(release)});
}

namespace {

std::map<std::string, TProjectFileHooks>& HookTable() {
    static std::map<std::string, TProjectFileHooks> table;
    return table;
}

bool EndsWithNoCase(const std::string& s, std::string_view suffix) {
    return s.size() >= suffix.size() &&
           SameText(std::string_view(s).substr(s.size() - suffix.size()), suffix);
}

} // namespace

void RegisterProjectFileHooks(const std::string& className, TProjectFileHooks hooks) {
    HookTable()[className] = std::move(hooks);
}

const TProjectFileHooks& ProjectFileHooks(const TZEPPersistent& project) {
    static const TProjectFileHooks none;
    auto it = HookTable().find(project.ClassName());
    return it == HookTable().end() ? none : it->second;
}

TFileVersion PrepareStore(TZEPPersistent& project) {
    const TProjectFileHooks& hooks = ProjectFileHooks(project);
    return hooks.prepareStore ? hooks.prepareStore(project) : kVersionPlain;
}

void StoreProject(TStream& out, TZEPPersistent& project) {
    const TFileVersion v = PrepareStore(project);
    const std::uint16_t header[3] = {v.major, v.minor, v.release};
    out.WriteBuffer(header, sizeof header);
    TObjectWriter writer;
    writer.StoreStream(out, project);
}

void LoadProject(TStream& in, TZEPPersistent& project, const std::string& fileName) {
    std::uint16_t header[3];
    in.ReadBuffer(header, sizeof header);
    const TFileVersion v{header[0], header[1], header[2]};
    const TProjectFileHooks& hooks = ProjectFileHooks(project);
    const bool atLeast68 = v.major > 6 || (v.major == 6 && v.minor >= 8);
    if (atLeast68) {
        if (!hooks.readModelFile)
            throw EInvalidFormat("Model network files cannot be read into a " +
                                 std::string(project.ClassName()));
        hooks.readModelFile(project, in, fileName);
        return;
    }
    if (v.major != 5 || (v.minor != 0 && v.minor != 7))
        throw EInvalidFormat(Format("Incorrect file version %s. Expected %s\n",
                                    {v.Text(), kVersionExpected.Text()}));
    TObjectReader reader;
    try {
        reader.LoadStream(in, project, hooks.projectOf ? hooks.projectOf(project) : nullptr);
    } catch (...) {
        // A damaged stream may leave the root referring (through a reference list or a value)
        // to objects no owning list took over: like after a good load they must outlive it,
        // or tearing the root down would touch freed objects.
        if (hooks.adoptOrphans) hooks.adoptOrphans(project, reader.TakeOrphans());
        throw;
    }
    if (hooks.adoptOrphans) hooks.adoptOrphans(project, reader.TakeOrphans());
    if (hooks.afterLoad)
        hooks.afterLoad(project);
    else
        project.AfterLoad();
}

bool IsCompressedProjectName(const std::string& fileName) {
    return !fileName.empty() && (fileName.back() == 'z' || fileName.back() == 'Z');
}

bool IsXmlProjectName(const std::string& fileName) {
    return EndsWithNoCase(fileName, ".xml") || EndsWithNoCase(fileName, ".xmlz");
}

std::string SaveProjectFile(const std::string& fileName, TZEPPersistent& project) {
    const std::string backup = SafeSave(fileName, [&](TFileStream& file) {
        if (IsCompressedProjectName(fileName)) {
            TGZipStream gz(file, 0);
            gz.SetFileName(fs::path(fileName).filename().string());
            gz.CompressOnThreads(TDeflateBehind::UsefulWorkers());
            StoreProject(gz, project);
            gz.Finish();
        } else {
            StoreProject(file, project);
        }
    });
    const TProjectFileHooks& hooks = ProjectFileHooks(project);
    if (hooks.setFileName) hooks.setFileName(project, fileName);
    return backup;
}

namespace {
// Whether the file starts with the gzip magic; the file is left at its start.
bool IsGzip(TFileStream& file) {
    unsigned char magic[2] = {0, 0};
    const bool gzip = file.Read(magic, 2) == 2 && magic[0] == 0x1F && magic[1] == 0x8B;
    file.SetPosition(0);
    return gzip;
}

bool IsGzipFile(const std::string& fileName) {
    TFileStream file(fileName, FileMode::OpenRead);
    return IsGzip(file);
}

// A file that cannot be a study at all (empty, text, another program's) is named as such
// instead of failing on whatever its first bytes happen to say. Versions that could be ours or
// the model's keep their own message.
void CheckLooksLikeProject(std::string_view head, const std::string& fileName) {
    if (head.empty()) throw EInvalidFormat(fileName + " is empty: it is not a project file");
    std::uint16_t major = 0;
    if (head.size() >= 2) std::memcpy(&major, head.data(), 2);
    if (head.size() < 6 || major == 0 || major >= 100)
        throw EInvalidFormat(fileName + " is not a project file");
}

// Object streams (5.x) of a compressed file are read while the second thread decompresses
// them; a damaged file reports the decompressor's error first, as when it was read whole.
void OpenCompressedProject(const std::string& fileName, TZEPPersistent& project) {
    TInflateAheadStream image(fileName);
    const std::string_view head = image.Ahead().Wait(6);
    CheckLooksLikeProject(head, fileName);
    std::uint16_t major = 0, minor = 0;
    if (head.size() >= 4) {
        std::memcpy(&major, head.data(), 2);
        std::memcpy(&minor, head.data() + 2, 2);
    }
    if (major != 5) {
        // Model files and refused versions: read from the whole image as before.
        TMemoryStream whole{std::string(image.Ahead().WaitAll())};
        LoadProject(whole, project, fileName);
        return;
    }
    try {
        LoadProject(image, project, fileName);
    } catch (...) {
        image.Ahead().WaitAll();
        throw;
    }
}
} // namespace

std::string ReadProjectImage(const std::string& fileName) {
    TFileStream file(fileName, FileMode::OpenRead);
    if (IsGzip(file)) {
        TGUnzipStream gz(file);
        return gz.ReadAll();
    }
    return file.ReadAll();
}

void OpenProjectFile(const std::string& fileName, TZEPPersistent& project) {
    const TProjectFileHooks& hooks = ProjectFileHooks(project);
    if (IsXmlProjectName(fileName)) {
        if (!hooks.readXml)
            throw EInvalidFormat("XML project files cannot be read yet: " + fileName);
        hooks.readXml(project, fileName);
    } else if (IsGzipFile(fileName)) {
        OpenCompressedProject(fileName, project);
    } else {
        TMemoryStream image(ReadProjectImage(fileName));
        CheckLooksLikeProject(std::string_view(image.Data()).substr(0, 6), fileName);
        LoadProject(image, project, fileName);
    }
    if (hooks.setFileName) hooks.setFileName(project, fileName);
}

// ---- bodies of the model's classes ------------------------------------------------------------

namespace {

using namespace zep::model;

void LoadVersioned(TVersionedEntity& e, TObjectReader& r) {
    e.TVersionedEntity::Load(r);
}

// A reference field kept in a property: loaders put the ref there and the class's AfterLoad
// takes its field from it.
void PutRef(TEntity& e, std::int32_t id, TZEPPersistent* ref) {
    if (ref) e.RawProperties().RawPut(id, TValue(ref));
}

template <class T> std::function<std::unique_ptr<TZEPPersistent>(const TLoadContext&)> Maker() {
    return [](const TLoadContext& c) -> std::unique_ptr<TZEPPersistent> {
        if constexpr (std::is_constructible_v<T, TProjectI*>)
            return std::make_unique<T>(c.project);
        else
            return std::make_unique<T>();
    };
}

/// Registers a class whose body is the versioned-entity body followed by `extraStore` /
/// `extraLoad`.
template <class T>
void Versioned(TStreamClassTable& t, const char* name, const char* parent, std::uint16_t version,
               std::function<void(const T&, TObjectWriter&)> extraStore = nullptr,
               std::function<void(T&, TObjectReader&)> extraLoad = nullptr) {
    TStreamClass c;
    c.name = name;
    c.parent = parent;
    c.version = version;
    c.create = Maker<T>();
    c.store = [extraStore](const TZEPPersistent& o, TObjectWriter& w) {
        const T& e = static_cast<const T&>(o);
        StoreVersionedBody(w, e);
        if (extraStore) extraStore(e, w);
    };
    c.load = [extraLoad](TZEPPersistent& o, TObjectReader& r) {
        T& e = static_cast<T&>(o);
        LoadVersioned(e, r);
        if (extraLoad) extraLoad(e, r);
    };
    t.Register(std::move(c));
}

template <class T> void Plain(TStreamClassTable& t, const char* name) {
    TStreamClass c;
    c.name = name;
    c.parent = "TEntity";
    c.create = Maker<T>();
    t.Register(std::move(c));
}

/// Reads an inline record of class T (its table body) and hands it to the list.
template <class T> TZEPPersistent* LoadInline(TObjectReader& r, const char* name) {
    const TStreamClass* entry = TStreamClassTable::Global().Find(name);
    auto record = std::make_unique<T>(r.Project());
    entry->load(*record, r);
    r.NoteInline(record.get());
    return record.release();
}

// A record written inside its owner's body.
template <class T> void StoreInline(TObjectWriter& w, const TZEPPersistent* item) {
    w.NoteClass(item->ClassName());
    const TStreamClass* entry = TStreamClassTable::Global().Find(item->ClassName());
    if (!entry || !entry->store)
        throw EInvalidImage(std::string("No body for ") + item->ClassName());
    entry->store(*item, w);
}

void RegisterNetwork(TStreamClassTable& t) {
    Plain<TNodeType>(t, "TNodeType");
    Versioned<TNode>(t, "TNode", "TVersionedEntity", 0);
    Versioned<TZone>(t, "TZone", "TNode", 4);
    Versioned<TTurnRestriction>(
        t, "TTurnRestriction", "TVersionedEntity", 0,
        [](const TTurnRestriction& e, TObjectWriter& w) { w.WriteRef(e.To()); },
        [](TTurnRestriction& e, TObjectReader& r) {
            PutRef(e, TTurnRestriction::kTo, ReadRefAs<TNode>(r));
        });
    Versioned<TLink>(
        t, "TLink", "TVersionedEntity", 4,
        [](const TLink& e, TObjectWriter& w) {
            w.WriteRef(e.Tail());
            w.WriteRef(e.Head());
            if (e.HasTurns()) {
                StoreListBody(w, e.Turns(), StoreInline<TTurnRestriction>);
            } else {
                // The body an empty turn list writes; most links have no list at all.
                w.BeginList(true, 0);
                w.EndList();
            }
        },
        [](TLink& e, TObjectReader& r) {
            PutRef(e, TLink::kFrom, ReadRefAs<TNode>(r));
            PutRef(e, TLink::kTo, ReadRefAs<TNode>(r));
            if (r.ClassVersion("TLink") >= 4)
                LoadListBody(
                    r, [&e]() -> TPersistentList& { return e.Turns(); },
                    [](TObjectReader& rd) {
                        return LoadInline<TTurnRestriction>(rd, "TTurnRestriction");
                    });
            else
                LoadRefList<TTurnRestriction>(r, e.Turns());
        });
    Versioned<TRoute>(
        t, "TRoute", "TVersionedEntity", 0,
        [](const TRoute& e, TObjectWriter& w) { w.WriteRef(e.Operator()); },
        [](TRoute& e, TObjectReader& r) { PutRef(e, TRoute::kOperator, ReadRefAs<TOperator>(r)); });
    Versioned<TOperatorRoute>(
        t, "TOperatorRoute", "TRoute", 0,
        [](const TOperatorRoute& e, TObjectWriter& w) { w.WriteRef(e.Operator()); },
        [](TOperatorRoute& e, TObjectReader& r) {
            PutRef(e, TRoute::kOperator, ReadRefAs<TOperator>(r));
        });
    Versioned<TLinkRoute>(
        t, "TLinkRoute", "TVersionedEntity", 0,
        [](const TLinkRoute& e, TObjectWriter& w) {
            w.WriteRef(e.Link());
            w.WriteRef(e.Route());
        },
        [](TLinkRoute& e, TObjectReader& r) {
            PutRef(e, TLinkRoute::kLink, ReadRefAs<TLink>(r));
            PutRef(e, TLinkRoute::kRoute, ReadRefAs<TRoute>(r));
        });
    Versioned<TLinkTypeOper>(
        t, "TLinkTypeOper", "TVersionedEntity", 0,
        [](const TLinkTypeOper& e, TObjectWriter& w) {
            w.WriteRef(e.LinkType());
            w.WriteRef(e.Operator());
        },
        [](TLinkTypeOper& e, TObjectReader& r) {
            PutRef(e, TLinkTypeOper::kLinkType, ReadRefAs<TLinkType>(r));
            PutRef(e, TLinkTypeOper::kOperator, ReadRefAs<TOperator>(r));
        });
    Versioned<TLinkType>(
        t, "TLinkType", "TVersionedEntity", 0,
        [](const TLinkType& e, TObjectWriter& w) {
            StoreListBody(w, e.OperatorDataList(), StoreInline<TLinkTypeOper>);
        },
        [](TLinkType& e, TObjectReader& r) {
            LoadListBody(r, e.OperatorDataList(), [](TObjectReader& rd) {
                return LoadInline<TLinkTypeOper>(rd, "TLinkTypeOper");
            });
        });
}

void RegisterTransport(TStreamClassTable& t) {
    Versioned<TMode>(t, "TMode", "TVersionedEntity", 0);
    Versioned<TAdministrator>(t, "TAdministrator", "TVersionedEntity", 0);
    Plain<TServiceLevel>(t, "TServiceLevel");
    Versioned<TCategory>(
        t, "TCategory", "TVersionedEntity", 0,
        [](const TCategory& e, TObjectWriter& w) { StoreListBody(w, e.AvailableModes()); },
        [](TCategory& e, TObjectReader& r) { LoadRefList<TMode>(r, e.AvailableModes()); });
    Versioned<TTransfer>(
        t, "TTransfer", "TVersionedEntity", 0,
        [](const TTransfer& e, TObjectWriter& w) {
            w.WriteRef(e.FromOperator());
            w.WriteRef(e.ToOperator());
        },
        [](TTransfer& e, TObjectReader& r) {
            TOperator* from = ReadRefAs<TOperator>(r);
            TOperator* to = ReadRefAs<TOperator>(r);
            e.SetFromOperator(from);
            e.SetToOperator(to);
        });
    Versioned<TOperatorCategory>(
        t, "TOperatorCategory", "TVersionedEntity", 0,
        [](const TOperatorCategory& e, TObjectWriter& w) {
            w.WriteRef(e.Operator());
            w.WriteRef(e.Category());
        },
        [](TOperatorCategory& e, TObjectReader& r) {
            TOperator* op = ReadRefAs<TOperator>(r);
            TCategory* category = ReadRefAs<TCategory>(r);
            e.SetOperator(op);
            e.SetCategory(category);
        });
    TStreamClass opCats;
    opCats.name = "TOperatorCategoryList";
    opCats.version = 0;
    opCats.create = [](const TLoadContext& c) {
        return std::make_unique<TOperatorCategoryList>(true, c.project);
    };
    opCats.store = [](const TZEPPersistent& o, TObjectWriter& w) {
        StoreListBody(w, static_cast<const TOperatorCategoryList&>(o),
                      StoreInline<TOperatorCategory>);
    };
    opCats.load = [](TZEPPersistent& o, TObjectReader& r) {
        LoadListBody(r, static_cast<TOperatorCategoryList&>(o), [](TObjectReader& rd) {
            return LoadInline<TOperatorCategory>(rd, "TOperatorCategory");
        });
    };
    t.Register(std::move(opCats));
    Versioned<TOperator>(
        t, "TOperator", "TVersionedEntity", 0,
        [](const TOperator& e, TObjectWriter& w) {
            w.WriteRef(e.Mode());
            StoreListBody(w, e.Transfers(), StoreInline<TTransfer>);
        },
        [](TOperator& e, TObjectReader& r) {
            TMode* mode = ReadRefAs<TMode>(r);
            if (mode) e.SetMode(mode);
            LoadListBody(r, e.Transfers(),
                         [](TObjectReader& rd) { return LoadInline<TTransfer>(rd, "TTransfer"); });
            // The operator takes over the category list its values refer to.
            TZEPPersistent* held =
                e.Properties().ValueOf(TOperator::kOperatorCategories).ToObject();
            if (auto* list = dynamic_cast<TOperatorCategoryList*>(held);
                list && r.IsTableObject(list)) {
                r.Claim(list);
                e.OperatorCategories();
            } else if (held) {
                throw EInvalidImage("Invalid image");
            }
        });
}

void RegisterLandUse(TStreamClassTable& t) {
    Versioned<TCategoryMode>(
        t, "TCategoryMode", "TVersionedEntity", 0,
        [](const TCategoryMode& e, TObjectWriter& w) {
            w.WriteRef(e.Category());
            w.WriteRef(e.Mode());
        },
        [](TCategoryMode& e, TObjectReader& r) {
            TCategory* category = ReadRefAs<TCategory>(r);
            TMode* mode = ReadRefAs<TMode>(r);
            e.SetCategory(category);
            e.SetMode(mode);
        });
    Versioned<TODPair>(
        t, "TODPair", "TVersionedEntity", 0,
        [](const TODPair& e, TObjectWriter& w) {
            w.WriteRef(e.Destination());
            StoreListBody(w, e.CategoryModes(), StoreInline<TCategoryMode>);
        },
        [](TODPair& e, TObjectReader& r) {
            e.SetDestination(ReadRefAs<TTransportZone>(r));
            if (r.ClassVersion("TZone") >= 4)
                LoadListBody(r, e.CategoryModes(), [](TObjectReader& rd) {
                    return LoadInline<TCategoryMode>(rd, "TCategoryMode");
                });
            else
                LoadRefList<TCategoryMode>(r, e.CategoryModes());
        });
    // Transport zones: the OD-pair list (older layouts carried one more ref, before it for
    // transport zones, after it for micro zones).
    auto storeZone = [](const TTransportZone& e, TObjectWriter& w) {
        StoreListBody(w, e.ODPairs(), StoreInline<TODPair>);
    };
    auto loadPairs = [](TTransportZone& e, TObjectReader& r) {
        auto item = [&e](TObjectReader& rd) -> TZEPPersistent* {
            TODPair* pair = nullptr;
            if (rd.ClassVersion("TZone") >= 4)
                pair = static_cast<TODPair*>(LoadInline<TODPair>(rd, "TODPair"));
            else
                pair = ReadRefAs<TODPair>(rd);
            if (pair) pair->SetOrigin(&e);
            return pair;
        };
        LoadListBody(r, e.ODPairs(), item);
    };
    auto loadTransport = [loadPairs](const char* cls) {
        return [loadPairs, cls](TTransportZone& e, TObjectReader& r) {
            const bool micro = std::string_view(cls) == "TMicroZone";
            const bool old = r.ClassVersion(cls) < 2;
            if (old && !micro) r.ReadRef();
            loadPairs(e, r);
            if (old && micro) r.ReadRef();
        };
    };
    Versioned<TTransportZone>(t, "TTransportZone", "TZone", 2, storeZone,
                              loadTransport("TTransportZone"));
    Versioned<TMicroZone>(
        t, "TMicroZone", "TTransportZone", 2,
        [storeZone](const TMicroZone& e, TObjectWriter& w) { storeZone(e, w); },
        [f = loadTransport("TMicroZone")](TMicroZone& e, TObjectReader& r) { f(e, r); });
    Versioned<TExternalZone>(
        t, "TExternalZone", "TTransportZone", 0,
        [storeZone](const TExternalZone& e, TObjectWriter& w) { storeZone(e, w); },
        [f = loadTransport("TTransportZone")](TExternalZone& e, TObjectReader& r) { f(e, r); });
    Versioned<TMacroZone>(t, "TMacroZone", "TZone", 0);

    Versioned<TSectorInteraction>(
        t, "TSectorInteraction", "TVersionedEntity", 2,
        [](const TSectorInteraction& e, TObjectWriter& w) {
            w.WriteRef(e.FromSector());
            w.WriteRef(e.InputSector());
            StoreListBody(w, e.Substitutes());
        },
        [](TSectorInteraction& e, TObjectReader& r) {
            TSector* from = ReadRefAs<TSector>(r);
            TSector* to = ReadRefAs<TSector>(r);
            e.SetFromSector(from);
            e.SetInputSector(to);
            if (r.ClassVersion("TSectorInteraction") >= 2) LoadRefList<TSector>(r, e.Substitutes());
        });
    Versioned<TSectorCategory>(
        t, "TSectorCategory", "TVersionedEntity", 0,
        [](const TSectorCategory& e, TObjectWriter& w) {
            w.WriteRef(e.Sector());
            w.WriteRef(e.Category());
        },
        [](TSectorCategory& e, TObjectReader& r) {
            TSector* sector = ReadRefAs<TSector>(r);
            TCategory* category = ReadRefAs<TCategory>(r);
            e.SetSector(sector);
            e.SetCategory(category);
        });
    Versioned<TSectorZone>(
        t, "TSectorZone", "TVersionedEntity", 0,
        [](const TSectorZone& e, TObjectWriter& w) {
            w.WriteRef(e.Sector());
            w.WriteRef(e.Zone());
        },
        [](TSectorZone& e, TObjectReader& r) {
            TSector* sector = ReadRefAs<TSector>(r);
            TZone* zone = ReadRefAs<TZone>(r);
            e.SetSector(sector);
            e.SetZone(zone);
        });
    Versioned<TSector>(
        t, "TSector", "TVersionedEntity", 0,
        [](const TSector& e, TObjectWriter& w) {
            StoreListBody(w, e.Interactions(), StoreInline<TSectorInteraction>);
            StoreListBody(w, e.SectorCategories(), StoreInline<TSectorCategory>);
            StoreListBody(w, e.SectorZones(), StoreInline<TSectorZone>);
        },
        [](TSector& e, TObjectReader& r) {
            LoadListBody(r, e.Interactions(), [](TObjectReader& rd) {
                return LoadInline<TSectorInteraction>(rd, "TSectorInteraction");
            });
            LoadListBody(r, e.SectorCategories(), [](TObjectReader& rd) {
                return LoadInline<TSectorCategory>(rd, "TSectorCategory");
            });
            LoadListBody(r, e.SectorZones(), [](TObjectReader& rd) {
                return LoadInline<TSectorZone>(rd, "TSectorZone");
            });
        });

    Versioned<TAttractor>(t, "TAttractor", "TVersionedEntity", 0);
    Versioned<TAttractionFunction>(
        t, "TAttractionFunction", "TVersionedEntity", 0, nullptr,
        [](TAttractionFunction& e, TObjectReader& r) {
            TZEPPersistent* held =
                e.Properties().ValueOf(TAttractionFunction::kAttractors).ToObject();
            if (auto* list = dynamic_cast<TAttractorList*>(held); list && r.IsTableObject(list)) {
                r.Claim(list);
                e.Attractors();
            } else if (held) {
                throw EInvalidImage("Invalid image");
            }
        });
    TStreamClass attractors;
    attractors.name = "TAttractorList";
    attractors.create = [](const TLoadContext& c) {
        return std::make_unique<TAttractorList>(true, c.project);
    };
    attractors.load = [](TZEPPersistent& o, TObjectReader& r) {
        LoadRefList<TAttractor>(r, static_cast<TAttractorList&>(o));
    };
    t.Register(std::move(attractors));
    TStreamClass functions;
    functions.name = "TAttractionFunctionList";
    functions.create = [](const TLoadContext& c) {
        return std::make_unique<TAttractionFunctionList>(true, c.project);
    };
    functions.load = [](TZEPPersistent& o, TObjectReader& r) {
        LoadRefList<TAttractionFunction>(r, static_cast<TAttractionFunctionList&>(o));
    };
    t.Register(std::move(functions));
}

// The project's class version when its body ends with its own version list.
constexpr std::uint16_t kProjectWithVersions = 1;

bool HasOwnScenarioValues(const TProject& p) {
    for (const auto& v : p.Versions())
        if (!v->Empty() && p.KeepsVersion(*v)) return true;
    return false;
}

// Empties what a new project holds (the base scenario, the centroid node type) so that the
// stream's objects take their places.
void ClearForLoad(TProject& p) {
    auto clear = [](TPersistentList& list) {
        while (list.Count() > 0) {
            TZEPPersistent* item = static_cast<TZEPPersistent*>(list.RawExtract(list.Count() - 1));
            if (list.Owns()) delete item;
        }
    };
    clear(p.NodeTypes());
    clear(p.Scenarios());
    p.SetBaseScenario(nullptr);
    p.SetCurrentScenario(nullptr);
}

void RegisterProject(TStreamClassTable& t) {
    TStreamClass c;
    c.name = "TProject";
    c.parent = "TEntity";
    c.store = [](const TZEPPersistent& o, TObjectWriter& w) {
        auto& p = const_cast<TProject&>(static_cast<const TProject&>(o));
        // An empty attraction-function list is left out of the file (older readers do not
        // know it); the project keeps it.
        StoreEntityBody(w, p,
                        p.AttractionFunctions().Count() == 0 ? TProjectI::kAttractionFunctions : 0);
        StoreListBody(w, p.Scenarios());
        w.WriteRef(p.BaseScenario());
        w.WriteRef(p.CurrentScenario());
        StoreListBody(w, p.Categories());
        StoreListBody(w, p.Administrators());
        StoreListBody(w, p.Modes());
        StoreListBody(w, p.Operators());
        StoreListBody(w, p.Routes());
        StoreListBody(w, p.LinkTypes());
        StoreListBody(w, p.NodeTypes());
        StoreListBody(w, p.Nodes());
        StoreListBody(w, p.Links());
        StoreListBody(w, p.LinkRoutes());
        StoreListBody(w, p.MacroZones());
        StoreListBody(w, p.TransportZones());
        StoreListBody(w, p.Sectors());
        // The study's own values set per scenario (a coordinate system or logit switch of one
        // scenario) follow at the end, announced by the project's class version, so that a
        // study without them is written exactly as before.
        if (HasOwnScenarioValues(p)) {
            w.RaiseClassVersion("TProject", kProjectWithVersions);
            StoreVersionList(w, p);
        }
    };
    c.load = [](TZEPPersistent& o, TObjectReader& r) {
        auto& p = static_cast<TProject&>(o);
        ClearForLoad(p);
        p.LoadProperties(r);
        LoadRefList<TScenario>(r, p.Scenarios());
        TScenario* base = ReadRefAs<TScenario>(r);
        if (!base || !p.Scenarios().Contains(base)) throw EInvalidImage("Invalid image");
        p.SetBaseScenario(base);
        ReadRefAs<TScenario>(r); // the current scenario: the base scenario becomes current
        p.SetCurrentScenario(base);
        LoadRefList<TCategory>(r, p.Categories());
        LoadRefList<TAdministrator>(r, p.Administrators());
        LoadRefList<TMode>(r, p.Modes());
        LoadRefList<TOperator>(r, p.Operators());
        LoadRefList<TRoute>(r, p.Routes());
        LoadRefList<TLinkType>(r, p.LinkTypes());
        LoadRefList<TNodeType>(r, p.NodeTypes());
        LoadRefList<TNode>(r, p.Nodes());
        LoadRefList<TLink>(r, p.Links());
        LoadRefList<TLinkRoute>(r, p.LinkRoutes());
        LoadRefList<TMacroZone>(r, p.MacroZones());
        LoadRefList<TTransportZone>(r, p.TransportZones());
        LoadRefList<TSector>(r, p.Sectors());
        if (r.ClassVersion("TProject") >= kProjectWithVersions) p.LoadVersions(r);
    };
    t.Register(std::move(c));

    TProjectFileHooks hooks;
    hooks.prepareStore = [](TZEPPersistent& o) {
        auto& p = static_cast<TProject&>(o);
        return p.AttractionFunctions().Count() > 0 ? kVersionAttraction : kVersionPlain;
    };
    hooks.projectOf = [](TZEPPersistent& o) -> TProjectI* { return &static_cast<TProject&>(o); };
    hooks.afterLoad = [](TZEPPersistent& o) {
        auto& p = static_cast<TProject&>(o);
        // The functions were read into the list the project's values refer to: the project's
        // own list takes them over.
        TZEPPersistent* held = p.Properties().ValueOf(TProjectI::kAttractionFunctions).ToObject();
        auto* loaded = dynamic_cast<TAttractionFunctionList*>(held);
        TAttractionFunctionList& own = p.AttractionFunctions();
        if (loaded && loaded != &own) {
            for (std::size_t i = 0; i < loaded->Count(); ++i)
                own.RawInsert(own.Count(), loaded->Item(i));
            std::vector<undo::TObject*> none;
            loaded->RawSwapItems(none);
            // The emptied list stays with the other objects nobody took over.
        }
        p.RawProperties().RawPut(TProjectI::kAttractionFunctions, TValue(&own));
        // Links and routes keep their link-routes in lists the file does not hold: the
        // project's consistency pass rebuilds them first (a read-only study skips that pass).
        if (p.ReadOnly()) p.RegisterLinkRoutes();
        p.AfterLoad();
    };
    hooks.setFileName = [](TZEPPersistent& o, const std::string& name) {
        static_cast<TProject&>(o).SetFileName(name);
    };
    hooks.readXml = [](TZEPPersistent& o, const std::string& name) {
        LoadXmlProject(static_cast<TProject&>(o), name);
    };
    hooks.readModelFile = [](TZEPPersistent& o, TStream& in, const std::string& name) {
        ReadModelFile(in, static_cast<TProject&>(o), name);
    };
    hooks.adoptOrphans = [](TZEPPersistent& o, std::vector<std::unique_ptr<TZEPPersistent>> v) {
        static_cast<TProject&>(o).AdoptOrphans(std::move(v));
    };
    RegisterProjectFileHooks("TProject", hooks);
}

} // namespace

void RegisterModelStreamClasses() {
    static const bool once = [] {
        TStreamClassTable& t = TStreamClassTable::Global();
        RegisterNetwork(t);
        RegisterTransport(t);
        RegisterLandUse(t);
        RegisterProject(t);
        return true;
    }();
    (void)once;
}

std::unique_ptr<TProject> OpenProject(const std::string& fileName) {
    RegisterModelStreamClasses();
    auto project = std::make_unique<TProject>();
    OpenProjectFile(fileName, *project);
    return project;
}

void SaveProject(const std::string& fileName, TProject& project) {
    RegisterModelStreamClasses();
    if (IsXmlProjectName(fileName))
        SaveXmlProject(project, fileName);
    else
        SaveProjectFile(fileName, project);
}

} // namespace zep::files
