// Shapes, shape collections and ranges, and what a shape is painted with.
#include "ComObject.h"
#include "Objects.h"
#include "Units.h"

#include <algorithm>
#include <cmath>

namespace mosvik::host {

using namespace com;

namespace {

// Box of some shapes, each of which must still exist.
std::optional<model::Box> boundsOf(const EntryPtr& doc, const std::vector<model::Id>& ids) {
    std::optional<model::Box> box;
    for (model::Id id : ids)
        box = model::unite(box, model::bounds(liveShape(doc, id)));
    return box;
}

struct AlignRequest {
    int32_t horizontal = AlignHNone;
    int32_t vertical = AlignVNone;
    int32_t to = AlignToPage;
    double pointX = 0; // millimetres
    double pointY = 0;
};

AlignRequest alignRequest(const DocumentEntry& doc, int32_t horizontalMode, int32_t verticalMode,
                          int32_t alignTo, int32_t distributeArea, int32_t textAlignOrigin,
                          double pointX, double pointY) {
    auto within = [](int32_t code, int32_t last) {
        return code >= 0 && code <= last;
    };
    if (!within(horizontalMode, AlignHCenter) || !within(verticalMode, AlignVCenter))
        fail(E_INVALIDARG, u"unknown alignment mode");
    if (!within(alignTo, AlignToPoint))
        fail(E_INVALIDARG, u"unknown alignment reference");
    if (!within(distributeArea, 2) || !within(textAlignOrigin, 2))
        fail(E_INVALIDARG, u"unknown distribution area or text origin");
    if (alignTo == AlignToPoint && !(std::isfinite(pointX) && std::isfinite(pointY)))
        fail(E_INVALIDARG, u"the point to align to is not a position");
    return AlignRequest{horizontalMode, verticalMode, alignTo, fromUnit(pointX, doc.unit),
                        fromUnit(pointY, doc.unit)};
}

enum class Edge { None, Low, High, Centre };

// How far a span moves so that its low or high end, or its centre, meets the
// target span's.
double offsetAlong(Edge edge, double start, double length, double targetStart,
                   double targetLength) {
    switch (edge) {
    case Edge::Low:
        return targetStart - start;
    case Edge::High:
        return (targetStart + targetLength) - (start + length);
    case Edge::Centre:
        return (targetStart + targetLength / 2) - (start + length / 2);
    case Edge::None:
        break;
    }
    return 0;
}

// Shapes listed together with a group they are inside move with the group.
std::vector<model::Id> outermost(model::Drawing& d, const std::vector<model::Id>& ids) {
    std::vector<model::Id> inner;
    for (model::Id id : ids) {
        auto loc = model::locate(d, id);
        if (!loc)
            failGone();
        auto within = model::idsWithin(loc->shape());
        inner.insert(inner.end(), within.begin() + 1, within.end());
    }
    std::vector<model::Id> result;
    for (model::Id id : ids)
        if (std::find(inner.begin(), inner.end(), id) == inner.end() &&
            std::find(result.begin(), result.end(), id) == result.end())
            result.push_back(id);
    return result;
}

struct Offset {
    double dx = 0;
    double dy = 0;
};

// y grows upwards, so the top is the high end of the vertical span.
Offset moveFor(const AlignRequest& r, const model::Box& box, const model::Box& target) {
    static const Edge horizontal[] = {Edge::None, Edge::Low, Edge::High, Edge::Centre};
    static const Edge vertical[] = {Edge::None, Edge::High, Edge::Low, Edge::Centre};
    const double dx =
        offsetAlong(horizontal[r.horizontal], box.x, box.width, target.x, target.width);
    const double dy = offsetAlong(vertical[r.vertical], box.y, box.height, target.y, target.height);
    return Offset{dx, dy};
}

void align(model::Drawing& d, const std::vector<model::Id>& ids, const AlignRequest& r) {
    const auto shapes = outermost(d, ids);
    if (shapes.empty() || (r.horizontal == AlignHNone && r.vertical == AlignVNone))
        return;
    if (r.to == AlignToPage || r.to == AlignToPoint) {
        std::optional<model::Box> box;
        for (model::Id id : shapes)
            box = model::unite(box, model::bounds(model::locate(d, id)->shape()));
        if (!box)
            return;
        model::Box target{r.pointX, r.pointY, 0, 0};
        if (r.to == AlignToPage) {
            const model::Page& page = *model::locate(d, shapes.front())->page;
            target = model::Box{0, 0, page.width, page.height};
        }
        const Offset by = moveFor(r, *box, target);
        for (model::Id id : shapes)
            model::move(model::locate(d, id)->shape(), by.dx, by.dy);
        return;
    }
    const auto& sel = d.selection;
    if (sel.empty())
        fail(E_FAIL, u"nothing is selected to align to");
    const model::Id reference = r.to == AlignToFirstSelected ? sel.front() : sel.back();
    auto refLoc = model::locate(d, reference);
    if (!refLoc)
        failGone();
    const auto refBox = model::bounds(refLoc->shape());
    if (!refBox)
        return;
    for (model::Id id : shapes) {
        if (id == reference)
            continue;
        model::Shape& s = model::locate(d, id)->shape();
        if (auto box = model::bounds(s)) {
            const Offset by = moveFor(r, *box, *refBox);
            model::move(s, by.dx, by.dy);
        }
    }
}

// One undo step, and only when something moved.
void alignShapes(HostState& state, DocumentEntry& doc, const std::vector<model::Id>& ids,
                 const AlignRequest& r) {
    model::Drawing next = doc.drawing;
    align(next, ids, r);
    if (next == doc.drawing)
        return;
    state.edit(doc, u"Align", [&](model::Drawing& d) { d = std::move(next); });
}

// The ids of a collection, front first, as they are now.
std::vector<model::Id> shapesOf(const EntryPtr& doc, const ShapeSource& source) {
    switch (source.kind) {
    case ShapeSource::Kind::Page:
        return model::pageShapesFrontFirst(livePage(doc, source.page));
    case ShapeSource::Kind::Layer: {
        const model::Layer* layer = model::findLayer(livePage(doc, source.page), source.layer);
        if (!layer)
            failGone();
        return model::frontFirst(layer->shapes);
    }
    case ShapeSource::Kind::Group:
        return model::frontFirst(liveShape(doc, source.shape).children);
    case ShapeSource::Kind::Selection:
        return openDocument(doc).drawing.selection;
    }
    return {};
}

class ShapesObject final : public ComObject<IVGShapes> {
public:
    ShapesObject(StatePtr state, EntryPtr doc, ShapeSource source)
        : ComObject(std::move(state)), doc_(doc), source_(source) {}

    HRESULT get_Count(int32_t* out) override {
        return call("IVGShapes.get_Count",
                    [&] { *need(out) = countOf(shapesOf(doc_, source_).size()); });
    }
    HRESULT get_Item(int32_t index, IVGShape** out) override {
        return call("IVGShapes.get_Item", [&] {
            need(out);
            const auto ids = shapesOf(doc_, source_);
            checkIndex(index, ids.size());
            *out = newShapeObject(state_, doc_, ids[index - 1]);
        });
    }
    HRESULT All(IVGShapeRange** out) override {
        return call("IVGShapes.All", [&] {
            *need(out) = newShapeRangeObject(state_, doc_, shapesOf(doc_, source_));
        });
    }

private:
    EntryPtr doc_;
    ShapeSource source_;
};

class ShapeRangeObject final : public ComObject<IVGShapeRange> {
public:
    ShapeRangeObject(StatePtr state, EntryPtr doc, std::vector<model::Id> ids)
        : ComObject(std::move(state)), doc_(doc), ids_(std::move(ids)) {}

    HRESULT get_Count(int32_t* out) override {
        return call("IVGShapeRange.get_Count", [&] { *need(out) = countOf(ids_.size()); });
    }
    HRESULT get_Item(int32_t index, IVGShape** out) override {
        return call("IVGShapeRange.get_Item", [&] {
            need(out);
            checkIndex(index, ids_.size());
            liveShape(doc_, ids_[index - 1]);
            *out = newShapeObject(state_, doc_, ids_[index - 1]);
        });
    }
    HRESULT get_SizeWidth(double* out) override {
        return call("IVGShapeRange.get_SizeWidth", [&] {
            auto box = boundsOf(doc_, ids_);
            *need(out) = box ? toUnit(box->width, doc_->unit) : 0.0;
        });
    }
    HRESULT get_SizeHeight(double* out) override {
        return call("IVGShapeRange.get_SizeHeight", [&] {
            auto box = boundsOf(doc_, ids_);
            *need(out) = box ? toUnit(box->height, doc_->unit) : 0.0;
        });
    }
    HRESULT get_PositionX(double* out) override {
        return call("IVGShapeRange.get_PositionX", [&] {
            auto box = boundsOf(doc_, ids_);
            *need(out) = box ? toUnit(box->x, doc_->unit) : 0.0;
        });
    }
    HRESULT get_PositionY(double* out) override {
        return call("IVGShapeRange.get_PositionY", [&] {
            auto box = boundsOf(doc_, ids_);
            *need(out) = box ? toUnit(box->y, doc_->unit) : 0.0;
        });
    }
    HRESULT Group(IVGShape** out) override {
        return call("IVGShapeRange.Group", [&] {
            need(out);
            if (ids_.empty())
                fail(E_FAIL, u"an empty range cannot be grouped");
            const model::Id groupId = state_->newId();
            state_->edit(openDocument(doc_), u"Group",
                         [&](model::Drawing& d) { group(d, groupId); });
            *out = newShapeObject(state_, doc_, groupId);
        });
    }
    HRESULT AlignAndDistribute(int32_t horizontalMode, int32_t verticalMode, int32_t alignTo,
                               int32_t distributeArea, VARIANT_BOOL, int32_t textAlignOrigin,
                               double pointX, double pointY, IVGRect*) override {
        return call("IVGShapeRange.AlignAndDistribute", [&] {
            DocumentEntry& d = openDocument(doc_);
            const AlignRequest r = alignRequest(d, horizontalMode, verticalMode, alignTo,
                                                distributeArea, textAlignOrigin, pointX, pointY);
            alignShapes(*state_, d, ids_, r);
        });
    }
    HRESULT CreateSelection() override {
        return call("IVGShapeRange.CreateSelection", [&] {
            std::vector<model::Id> selection;
            for (model::Id id : ids_) {
                liveShape(doc_, id);
                if (std::find(selection.begin(), selection.end(), id) == selection.end())
                    selection.push_back(id);
            }
            state_->select(*doc_, [&](model::Drawing& d) { d.selection = selection; });
        });
    }

private:
    // The members keep their stacking order and the group takes the place of
    // the front-most one; selected members give way to the group.
    void group(model::Drawing& d, model::Id groupId) {
        std::vector<size_t> indices;
        std::vector<model::Shape>* siblings = nullptr;
        for (model::Id id : ids_) {
            auto loc = model::locate(d, id);
            if (!loc)
                failGone();
            if (siblings && loc->siblings != siblings)
                fail(E_INVALIDARG, u"the shapes of a group must share one parent");
            siblings = loc->siblings;
            indices.push_back(loc->index);
        }
        std::sort(indices.begin(), indices.end());
        indices.erase(std::unique(indices.begin(), indices.end()), indices.end());
        model::Shape g = model::group({});
        g.id = groupId;
        for (size_t i : indices)
            g.children.push_back((*siblings)[i]);
        for (auto it = indices.rbegin(); it != indices.rend(); ++it)
            siblings->erase(siblings->begin() + static_cast<std::ptrdiff_t>(*it));
        const size_t place = indices.back() + 1 - indices.size();
        siblings->insert(siblings->begin() + static_cast<std::ptrdiff_t>(place), std::move(g));

        auto& sel = d.selection;
        auto isMember = [&](model::Id id) {
            return std::find(ids_.begin(), ids_.end(), id) != ids_.end();
        };
        auto first = std::find_if(sel.begin(), sel.end(), isMember);
        if (first != sel.end()) {
            *first = groupId;
            sel.erase(std::remove_if(first + 1, sel.end(), isMember), sel.end());
        }
    }

    EntryPtr doc_;
    std::vector<model::Id> ids_;
};

class ShapeObject final : public ComObject<IVGShape> {
public:
    ShapeObject(StatePtr state, EntryPtr doc, model::Id shape)
        : ComObject(std::move(state)), doc_(doc), shape_(shape) {}

    HRESULT get_Type(int32_t* out) override {
        return call("IVGShape.get_Type",
                    [&] { *need(out) = isSelection() ? ShapeNone : shape().type; });
    }
    HRESULT get_Name(BSTR* out) override {
        return call("IVGShape.get_Name", [&] {
            *need(out) = allocBstr(isSelection() ? std::u16string() : shape().name);
        });
    }
    HRESULT get_PositionX(double* out) override {
        return call("IVGShape.get_PositionX", [&] { *need(out) = box().x; });
    }
    HRESULT get_PositionY(double* out) override {
        return call("IVGShape.get_PositionY", [&] { *need(out) = box().y; });
    }
    HRESULT get_SizeWidth(double* out) override {
        return call("IVGShape.get_SizeWidth", [&] { *need(out) = box().width; });
    }
    HRESULT get_SizeHeight(double* out) override {
        return call("IVGShape.get_SizeHeight", [&] { *need(out) = box().height; });
    }
    HRESULT get_Selected(VARIANT_BOOL* out) override {
        return call("IVGShape.get_Selected", [&] {
            bool selected = true;
            if (!isSelection()) {
                shape();
                const auto& sel = doc_->drawing.selection;
                selected = std::find(sel.begin(), sel.end(), shape_) != sel.end();
            }
            *need(out) = selected ? VARIANT_TRUE : VARIANT_FALSE;
        });
    }
    HRESULT get_Fill(IVGFill** out) override {
        return call("IVGShape.get_Fill", [&] {
            ownShape(u"a selection has no fill of its own");
            *need(out) = newFillObject(state_, doc_, shape_);
        });
    }
    HRESULT get_Outline(IVGOutline** out) override {
        return call("IVGShape.get_Outline", [&] {
            ownShape(u"a selection has no outline of its own");
            *need(out) = newOutlineObject(state_, doc_, shape_);
        });
    }
    HRESULT get_Shapes(IVGShapes** out) override {
        return call("IVGShape.get_Shapes", [&] {
            ShapeSource source{ShapeSource::Kind::Selection};
            if (isSelection()) {
                openDocument(doc_);
            } else {
                shape();
                source = ShapeSource{ShapeSource::Kind::Group, 0, 0, shape_};
            }
            *need(out) = newShapesObject(state_, doc_, source);
        });
    }
    HRESULT AddToSelection() override {
        return call("IVGShape.AddToSelection", [&] {
            if (isSelection()) {
                openDocument(doc_);
                return;
            }
            shape();
            state_->select(*doc_, [&](model::Drawing& d) {
                if (std::find(d.selection.begin(), d.selection.end(), shape_) == d.selection.end())
                    d.selection.push_back(shape_);
            });
        });
    }
    HRESULT Ungroup(IVGShapeRange** out) override {
        return call("IVGShape.Ungroup", [&] {
            need(out);
            if (isSelection() || shape().type != ShapeGroup)
                fail(E_FAIL, u"only a group can be ungrouped");
            const auto members = model::frontFirst(shape().children);
            state_->edit(*doc_, u"Ungroup", [&](model::Drawing& d) { ungroup(d); });
            *out = newShapeRangeObject(state_, doc_, members);
        });
    }
    HRESULT AlignAndDistribute(int32_t horizontalMode, int32_t verticalMode, int32_t alignTo,
                               int32_t distributeArea, VARIANT_BOOL, int32_t textAlignOrigin,
                               double pointX, double pointY, IVGRect*) override {
        return call("IVGShape.AlignAndDistribute", [&] {
            DocumentEntry& d = openDocument(doc_);
            const AlignRequest r = alignRequest(d, horizontalMode, verticalMode, alignTo,
                                                distributeArea, textAlignOrigin, pointX, pointY);
            std::vector<model::Id> ids = d.drawing.selection;
            if (!isSelection()) {
                shape();
                ids = {shape_};
            }
            alignShapes(*state_, d, ids, r);
        });
    }

private:
    // The members take the group's place in the stacking order and, when it
    // was selected, its place in the selection.
    void ungroup(model::Drawing& d) {
        auto loc = model::locate(d, shape_);
        std::vector<model::Shape> members = std::move(loc->shape().children);
        // Members keep where they are drawn: the group's matrix passes on to them.
        const model::Matrix groupMatrix = loc->shape().matrix;
        if (!groupMatrix.isIdentity())
            for (model::Shape& m : members)
                m.matrix = m.matrix.then(groupMatrix);
        auto& siblings = *loc->siblings;
        const auto at = siblings.begin() + static_cast<std::ptrdiff_t>(loc->index);
        siblings.insert(siblings.erase(at), members.begin(), members.end());

        auto& sel = d.selection;
        auto it = std::find(sel.begin(), sel.end(), shape_);
        if (it == sel.end())
            return;
        std::vector<model::Id> added;
        for (model::Id id : model::frontFirst(members))
            if (std::find(sel.begin(), sel.end(), id) == sel.end())
                added.push_back(id);
        sel.insert(sel.erase(it), added.begin(), added.end());
    }

    bool isSelection() const { return shape_ == 0; }
    model::Shape& shape() { return liveShape(doc_, shape_); }
    void ownShape(const char16_t* refusal) {
        if (isSelection())
            fail(E_FAIL, refusal);
        shape();
    }
    // The box in the document's unit; a selection's is that of its shapes.
    model::Box box() {
        std::optional<model::Box> b;
        if (isSelection())
            b = boundsOf(doc_, openDocument(doc_).drawing.selection);
        else
            b = model::bounds(shape());
        model::Box r = b.value_or(model::Box{});
        const int32_t unit = doc_->unit;
        return model::Box{toUnit(r.x, unit), toUnit(r.y, unit), toUnit(r.width, unit),
                          toUnit(r.height, unit)};
    }

    EntryPtr doc_;
    model::Id shape_;
};

class FillObject final : public ComObject<IVGFill> {
public:
    FillObject(StatePtr state, EntryPtr doc, model::Id shape)
        : ComObject(std::move(state)), doc_(doc), shape_(shape) {}

    HRESULT get_Type(int32_t* out) override {
        return call("IVGFill.get_Type", [&] { *need(out) = liveShape(doc_, shape_).fill.type; });
    }
    HRESULT get_UniformColor(IVGColor** out) override {
        return call("IVGFill.get_UniformColor", [&] {
            *need(out) = newColorObject(state_, liveShape(doc_, shape_).fill.color);
        });
    }

private:
    EntryPtr doc_;
    model::Id shape_;
};

class OutlineObject final : public ComObject<IVGOutline> {
public:
    OutlineObject(StatePtr state, EntryPtr doc, model::Id shape)
        : ComObject(std::move(state)), doc_(doc), shape_(shape) {}

    HRESULT get_Width(double* out) override {
        return call("IVGOutline.get_Width", [&] {
            *need(out) = toUnit(liveShape(doc_, shape_).outline.width, doc_->unit);
        });
    }
    HRESULT get_Color(IVGColor** out) override {
        return call("IVGOutline.get_Color", [&] {
            *need(out) = newColorObject(state_, liveShape(doc_, shape_).outline.color);
        });
    }

private:
    EntryPtr doc_;
    model::Id shape_;
};

// A copy of the colour as it was when asked for.
class ColorObject final : public ComObject<IVGColor> {
public:
    ColorObject(StatePtr state, model::Color color)
        : ComObject(std::move(state)), color_(std::move(color)) {}

    HRESULT get_Type(int32_t* out) override {
        return call("IVGColor.get_Type", [&] { *need(out) = color_.model; });
    }
    HRESULT get_Name(BSTR* out) override {
        return call("IVGColor.get_Name", [&] { *need(out) = allocBstr(color_.name); });
    }

private:
    model::Color color_;
};

} // namespace

IVGShapes* newShapesObject(const StatePtr& state, const EntryPtr& doc, ShapeSource source) {
    return new ShapesObject(state, doc, source);
}
IVGShapeRange* newShapeRangeObject(const StatePtr& state, const EntryPtr& doc,
                                   std::vector<model::Id> shapes) {
    return new ShapeRangeObject(state, doc, std::move(shapes));
}
IVGShape* newShapeObject(const StatePtr& state, const EntryPtr& doc, model::Id shape) {
    return new ShapeObject(state, doc, shape);
}
IVGFill* newFillObject(const StatePtr& state, const EntryPtr& doc, model::Id shape) {
    return new FillObject(state, doc, shape);
}
IVGOutline* newOutlineObject(const StatePtr& state, const EntryPtr& doc, model::Id shape) {
    return new OutlineObject(state, doc, shape);
}
IVGColor* newColorObject(const StatePtr& state, model::Color color) {
    return new ColorObject(state, std::move(color));
}

} // namespace mosvik::host
