// Reliable messages over datagrams: a send list whose head goes out until acknowledged, and a
// hold list of messages that arrived before their turn.
#include "racing/net_reliable.h"

#include <cstddef>
#include <cstring>
#include <initializer_list>

#include "data/mem.h"
#include "racing/net_protocol.h"

net_reliable_state net_reliable;
static uint32_t g_header_slot = NET_SLOTS, g_header_connection;

void net_reliable_set_header(uint32_t local_slot, uint32_t connection)
{
    g_header_slot = local_slot;
    g_header_connection = connection;
}

net_msg_node *net_msg_new(void)
{
    net_msg_node *node = (net_msg_node *)alloc_or_die(sizeof(net_msg_node));
    memset(node, 0, offsetof(net_msg_node, payload) + NET_MSG_HEADER);
    node->sequence = net_reliable.next_out++;
    node->payload[0] = NET_RELIABLE;
    net_put_u32(node->payload + 1, g_header_slot);
    net_put_u32(node->payload + 5, g_header_connection);
    net_put_u32(node->payload + 9, node->sequence);
    node->length = NET_MSG_HEADER;
    if (net_reliable.send_tail) net_reliable.send_tail->next = node;
    else net_reliable.send_head = node;
    net_reliable.send_tail = node;
    return node;
}

net_msg_node *net_reliable_due(double now)
{
    net_msg_node *head = net_reliable.send_head;
    if (!head || head->last_send >= now) return nullptr;
    head->last_send = now + 0.5;
    return head;
}

void net_reliable_acked(uint32_t sequence)
{
    net_msg_node *head = net_reliable.send_head;
    if (!head || head->sequence != sequence) return;
    net_reliable.send_head = head->next;
    if (!net_reliable.send_head) net_reliable.send_tail = nullptr;
    mem_free(head);
}

int net_reliable_receive(const unsigned char *datagram, int length, void (*handle)(const unsigned char *, int))
{
    if (length < 6) return 0;   // no sequence number and kind
    const uint32_t sequence = net_get_u32(datagram + 1);
    const uint32_t ahead = sequence - net_reliable.next_in;   // wraps: "below" is far ahead
    if (sequence < net_reliable.next_in) return 1;           // delivered before: acknowledge again
    if (ahead >= NET_HOLD_AHEAD) return 0;                   // the server sends it again later
    if (ahead > 0) {
        net_msg_node **at = &net_reliable.hold;
        while (*at && (*at)->sequence < sequence) at = &(*at)->next;
        if (*at && (*at)->sequence == sequence) return 1;
        // A held datagram keeps all its bytes: the node grows past 484 when it must.
        const size_t room = length > NET_MSG_PAYLOAD ? (size_t)length : (size_t)NET_MSG_PAYLOAD;
        net_msg_node *node = (net_msg_node *)alloc_or_die(offsetof(net_msg_node, payload) + room + 1);
        node->last_send = 0;
        node->sequence = sequence;
        node->length = length;
        // The bytes may run past the declared array: reach them through the node's own block.
        unsigned char *bytes = (unsigned char *)node + offsetof(net_msg_node, payload);
        memcpy(bytes, datagram, (size_t)length);
        bytes[length] = 0;   // texts in it end at the datagram's length
        node->next = *at;
        *at = node;
        ++net_reliable.held_count;
        return 1;
    }
    ++net_reliable.next_in;
    handle(datagram, length);
    while (net_reliable.hold && net_reliable.hold->sequence <= net_reliable.next_in) {
        net_msg_node *node = net_reliable.hold;
        net_reliable.hold = node->next;
        --net_reliable.held_count;
        if (node->sequence == net_reliable.next_in) {
            ++net_reliable.next_in;
            handle((const unsigned char *)node + offsetof(net_msg_node, payload), node->length);
        }
        mem_free(node);
    }
    return 1;
}

void net_reliable_clear(void)
{
    for (net_msg_node **list : {&net_reliable.send_head, &net_reliable.hold})
        while (net_msg_node *node = *list) {
            *list = node->next;
            mem_free(node);
        }
    net_reliable = net_reliable_state{};
}
