#include <stdlib.h>
#define LIST_MAX 16
struct node {
    int value;
    struct node *next;
};
typedef struct node node_t;
enum color { RED, GREEN };
union word { int i; float f; };
static int count;
int list_length(const struct node *head);
int list_length(const struct node *head)
{
    int n = 0;
    for (; head; head = head->next) n++;
    return n;
}
