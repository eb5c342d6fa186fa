// Keeps the report library non-empty while it has no other sources of its own.
namespace orvena::reports {
int libraryAnchor = 0;
}
